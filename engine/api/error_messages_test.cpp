// Every engine code maps to the text the application shows.
#include "engine/api/error_messages.h"

#include <gtest/gtest.h>

#include <string>

TEST(GetErrorMessage, CodeToTextTable) {
    const std::string internal = "Sorry, the operation could not be completed because an internal error occurred";
    const struct {
        int code;
        std::string text;
    } cases[] = {
        {0, "Unknown error"},
        {1, "Out of Memory"},
        {2, "Sorry, the operation could not be completed because an argument was invalid."},
        {3, "Sorry, the operation could not be completed. A specified value was out of range."},
        {4, internal},
        {5, "Unknown error"},
        {6, internal},
        {7, internal},
        {8, "Recognition failed. Please compare the text transcription to the audio file to look for error. "
            "or increase the beam width"},
        {9, "A file could not be opened because it is locked"},
        {10, "A required file could not be found."},
        {11, "A required file could not be opened because it is already open in another application"},
        {12, "Sorry, the specified audio file is not a valid WAV file"},
        {13, "Sorry, this program cannot work with compressed WAV files"},
        {14, internal},
        {15, "Sorry, the specified audio file could not be converted because the a system component is missing"},
        {17, internal},
        {21, "Sorry, the file was made by a newer version of the program; this version cannot read it."},
        {22, "Sorry, the operation could not be completed because an exception occurred."},
        {23, internal},
        {29, internal},
        {30, "Sorry, the file is a folder, not an ordinary file."},
        {31, "Sorry, the file is a device, not an ordinary file."},
        {32, "Sorry, the file is a pipe, not an ordinary file."},
        {33, "Sorry, the file is not an ordinary file."},
        {34, "Sorry, the file is not a recording this program reads: it reads WAV, NIST sphere, MP3 and Ogg "
             "Vorbis files."},
        {35, "Sorry, the specified audio file is not a valid NIST sphere file"},
        {36, "Sorry, this program cannot work with compressed NIST sphere files"},
        {37, "Sorry, the specified audio file is not a readable MP3 file"},
        {38, "Sorry, the specified audio file is not a readable Ogg Vorbis file"},
        {39, "Sorry, the lexicon file is damaged or is not a lexicon file."},
        {40, "Sorry, the file is not a phone constraints file."},
        {41, "Sorry, the file holds no phone trigram counts."},
        {42, internal},
        {-1, internal},
        {1 << 30, internal},
    };
    for (const auto& c : cases) EXPECT_EQ(GetErrorMessage(c.code), c.text) << "code " << c.code;
}
