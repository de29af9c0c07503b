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
        {21, internal},
        {22, "Sorry, the operation could not be completed because an exception occurred."},
        {23, internal},
        {-1, internal},
        {1 << 30, internal},
    };
    for (const auto& c : cases) EXPECT_EQ(GetErrorMessage(c.code), c.text) << "code " << c.code;
}
