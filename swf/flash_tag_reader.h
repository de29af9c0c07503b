// Reading a SWF file: the file header (plain or zlib-compressed body) and the tags one by one, each
// made as an object of its code's class from the tag table and handed to a visitor, with the size
// checks that keep a wrong body length from derailing the rest of the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/flash_header.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"

class FVisitor;

// Makes the (empty) tag object for a header; the reader then sets its length and calls Read. It may
// peek at the body (the stream stands at its start) but must leave the position where it was.
using FlashTagFactory = std::unique_ptr<FlashTag> (*)(flash_istream& in, const FlashTagHeader& header);

// The tag table: the factory of a code, or null when the code has no class (the tag is then kept as
// a raw FlashTag and reaches VisitOtherTag).
FlashTagFactory GetFlashTagFactory(uint16_t code);
// Enters or replaces (null: removes) the class of a code; returns the factory it had. The built-in
// entries are listed in flash_tag_table.cpp; call this before reading, from one thread.
FlashTagFactory RegisterFlashTagFactory(uint16_t code, FlashTagFactory factory);
// The object for a header: from the table, or a raw FlashTag with that code.
std::unique_ptr<FlashTag> MakeFlashTag(flash_istream& in, const FlashTagHeader& header);

// Reads the file header. "FWS" is read as it is; for "CWS" the rest of the file is inflated (zlib)
// behind the 8 bytes of signature, version and length, so positions stay those of the uncompressed
// file. Any other signature, a corrupt or truncated compressed body, or a header cut short is an
// error: false, a text in `error`, the stream failed and the visitor not called. On success the
// visitor's VisitHeader is called with the header.
bool ReadFlashHeader(flash_istream& in, FlashHeader& header, std::string& error, FVisitor* visitor);
// The same, writing an error to the standard error stream.
FlashHeader ReadFlashHeader(flash_istream& in, FVisitor* visitor);

// Reads one tag into out (null when none was made) and gives it to the visitor. Returns false after
// the End tag, after a tag read past its length, and when the data ends inside a tag header or body
// (the visitor's TagReadTooFar is told how many bytes are missing; nothing is allocated by a length
// the data cannot hold). A body read short is skipped to its end (ExtraTagData) and reading goes on.
// Messages go to the standard error stream.
bool ReadFlashTag(flash_istream& in, std::unique_ptr<FlashTag>& out, FVisitor* visitor);
// Calls ReadFlashTag until it returns false, appending every tag made (the End tag included).
void ReadFlashTags(flash_istream& in, std::vector<std::unique_ptr<FlashTag>>& tags, FVisitor* visitor);
