// The program's texts by id: the application name, the document strings and the texts the shell
// shows. One table, so the frames and the tests read the same words.
#pragma once

constexpr int kIdsAppName = 57344;             // "Murmurex": the profile's application name
constexpr int kIdsDocStrings = 129;            // the document template's strings, '\n'-separated
constexpr int kIdsMainTitle = 128;             // the main window's title
constexpr int kIdsDocumentsUnavailable = 2001; // opening a file before documents exist
constexpr int kIdsAboutCredit = 2002;          // the dictionary credit line of the About box

// The text of id; "" for an id the table does not hold.
const char* LoadProgramString(int id);
