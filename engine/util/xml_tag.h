// Parser of the script's markup tags <name attr="value" ...>: the cut cue tags and the
// transcriber's markup.
#pragma once

#include <map>
#include <string>

// Parses the first tag of text. False when there is no '<', or the text ends before the blank
// that must follow the name. True when the tag closes with '>' or "/>" (position is then just
// behind it), and also when the text ends inside the attributes (the complete pairs are kept and
// position is the text's length). A repeated key keeps its last value.
bool ParseXmlTag(const std::string& text, std::string& name, std::map<std::string, std::string>& attributes,
                 int& position);
