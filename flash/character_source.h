// What the views of Flash characters ask of the document that owns a character template: the
// template's path and the template as loaded. The Flash document implements it.
#pragma once

#include <string>

class zuvo_swf_char;

class flash_character_source {
public:
    // The template's path as the results file names it; empty when the document has none.
    virtual std::string character_path() const = 0;
    // The loaded template; null when none is loaded (a path may still be set).
    virtual const zuvo_swf_char* character() const = 0;

protected:
    ~flash_character_source() = default;
};
