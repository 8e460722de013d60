// What makes a payload sound. The stub checks it before it writes anything,
// and ssinst before it extracts; both through this one walk, so they can't
// disagree about an installer.
#ifndef PAYLOAD_VALIDATE_H
#define PAYLOAD_VALIDATE_H

#include <stdint.h>

#include "payload/format.h"
#include "payload/reader.h"

enum PayloadProblem {
    kPayloadSound,
    kPayloadNoTable,          // the numbering base can't be read
    kPayloadNoTerminator,     // the entry table runs into the end of the file
    kPayloadEmpty,            // the table holds no entries
    kPayloadOutsideFile,      // an entry's stored bytes reach past the end of the file
    kPayloadTooLarge,         // a packed entry unpacks to 2 GiB or more
    kPayloadUnsafeExtension,  // an extra file's extension is no safe part of a file name
    kPayloadRefused,          // the caller's visitor refused an entry
};

struct PayloadCheck {
    PayloadProblem problem;
    int entry;               // the entry at fault; -1 when the fault is the table's
    int entries;             // the entries of the table (when sound)
    uint16_t numberingBase;
};

// Called for each entry the format accepts, in table order; returning false
// stops the walk with kPayloadRefused.
typedef bool (*EntryVisitor)(void* context, int index, uint16_t numberingBase, const PayloadEntry& e);

// The format's rule for one entry of the table: kPayloadSound, or what is
// wrong with it.
PayloadProblem CheckEntry(int index, const PayloadEntry& e, FilePosition fileSize);

// Where a payload's bytes must end: the end of the file, or the start of
// its certificate table when it is signed, so that a signature covers
// every byte the installer reads.
FilePosition PayloadLimit(FilePosition fileSize, uint32_t certificates);

// Walks the table from a reader at the payload start, in a file of
// fileSize bytes, and checks every entry; stops at the first problem.
PayloadCheck ValidatePayload(ByteReader& r, FilePosition fileSize, EntryVisitor visit = 0,
                             void* context = 0);

// The extension field as a name uses it: at most 4 characters, stopping at
// a NUL. False when it holds a character that must never reach the file
// system: a path separator, ':', a control character (below 0x20, or 0x7F),
// or one that no file name may hold (* ? " < > |). Bytes from 0x80 on are
// letters of the system's code page and pass.
bool EntryExtension(const PayloadEntry& e, char out[kExtensionSize + 1]);
// Whether a character may stand in a file name the installer makes (by the
// rule above).
bool SafeNameCharacter(unsigned char c);

// Whether a name, up to its end or the first `end` character, can name a
// file or directory: Windows drops a name's trailing dots and spaces, so
// one made only of them ("", ".", "..", ". .") names none, or the
// directory itself, or its parent.
bool UsableName(const char* name, char end);

#endif
