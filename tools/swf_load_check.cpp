// Loads SWF files with the SWF library, writes each loaded one back and loads that again, and counts
// how many of them load (all files and those of SWF 9 or later); run by tools/swf_gather_outside.sh
// on movies gathered from outside the project.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "swf/flash_movie.h"
#include "swf/flash_stream.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: swf_load_check [-v] file.swf...\n");
        return 2;
    }
    bool verbose = false;
    int files = 0, loaded = 0, rewritten = 0, late = 0, lateLoaded = 0;
    // The library's trace would bury the summary; each file's outcome is printed instead.
    std::streambuf* trace = std::cerr.rdbuf(nullptr);
    for (int i = 1; i < argc; ++i) {
        std::string path = argv[i];
        if (path == "-v") {
            verbose = true;
            continue;
        }
        flash_ifstream in(path);
        if (in.fail()) {
            std::printf("cannot open %s\n", path.c_str());
            continue;
        }
        ++files;
        FSWFMovie movie;
        std::vector<std::string> errors;
        bool ok = movie.Load(in, errors);
        bool isLate = movie.header.version >= 9;
        late += isLate;
        loaded += ok;
        lateLoaded += ok && isLate;
        bool again = false;
        if (ok) {
            flash_ostream out;
            movie.Write(out);
            flash_istream back(out.bytes());
            FSWFMovie reloaded;
            std::vector<std::string> backErrors;
            again = reloaded.Load(back, backErrors);
            rewritten += again;
        }
        if (verbose || !ok || !again)
            std::printf("%s SWF %d: %s%s\n", path.c_str(), movie.header.version,
                        ok ? (again ? "loads" : "loads, but not once written") : "fails",
                        errors.empty() ? "" : (": " + errors.front()).c_str());
    }
    std::cerr.rdbuf(trace);
    std::printf("%d of %d files load (%d of %d of SWF 9 or later); %d load again once written\n", loaded, files,
                lateLoaded, late, rewritten);
    return 0;
}
