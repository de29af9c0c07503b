// Parser of the script's markup tags.
#include "engine/util/xml_tag.h"

#include <cctype>

#include "engine/util/string_utils.h"

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

bool ParseXmlTag(const std::string& text, std::string& name, std::map<std::string, std::string>& attributes,
                 int& position) {
    attributes.clear();
    position = 0;
    const std::size_t n = text.size();
    std::size_t i = text.find('<');
    if (i == std::string::npos) return false;
    auto done = [&](std::size_t at, bool result) {
        position = static_cast<int>(at);
        return result;
    };
    ++i;
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) return done(i, false);

    // The name ends at a blank; a name that runs into the end of the text, or a tag like <pause>
    // whose name touches its '>', is no tag.
    const std::size_t nameStart = i;
    while (i < n && !IsBlank(text[i])) ++i;
    if (i >= n) return done(i, false);
    name = text.substr(nameStart, i - nameStart);
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) return done(i, false);

    for (;;) {
        while (i < n && IsBlank(text[i])) ++i;
        if (i >= n) return done(n, true);
        if (text[i] == '>') return done(i + 1, true);
        if (text[i] == '/' && i + 1 < n && text[i + 1] == '>') return done(i + 2, true);
        const std::size_t eq = text.find('=', i);
        if (eq == std::string::npos) return done(n, true);
        const std::string key = text.substr(i, eq - i);
        const std::size_t open = text.find('"', eq);
        if (open == std::string::npos) return done(n, true);
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string::npos) return done(n, true);
        const std::string trimmedKey = TrimRight(TrimLeft(key));
        if (!trimmedKey.empty())
            attributes[trimmedKey] = TrimRight(TrimLeft(text.substr(open + 1, close - open - 1)));
        i = close + 1;
    }
}
