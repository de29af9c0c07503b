// A script with words from the dictionary, unknown words, numbers, money, addresses, spelled
// letters and markup, so that a transcriber built from fuzzed data uses every table it loaded.
#pragma once

namespace fuzz {

constexpr const char kSampleScript[] =
    "<auto-breath-detection> Hello, world! The 3rd of May 1999 cost $12.50, or 1,234 apples. "
    "Zyxwq blorft gnarly? Mr. Smith wrote to a.b@example.com at www.example.org [laughs] {cut} "
    "U.S.A. 42nd -7 100% ABC's.";

}  // namespace fuzz
