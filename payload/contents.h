// An entry's bytes as the installation writes them: a stored entry as it
// is, a packed one through the decoder. The stub, ssinst and the tests all
// take entries out of an installer with this.
#ifndef PAYLOAD_CONTENTS_H
#define PAYLOAD_CONTENTS_H

#include "payload/format.h"
#include "payload/reader.h"

enum EntryResult {
    kEntryWritten,
    kEntryDamaged,      // the installer ends inside the entry, or its stream is broken
    kEntryReadFailed,   // reading the installer failed
    kEntryWriteFailed,  // the sink stored fewer bytes than asked
};

// Seeks `in` to the entry and writes its installed bytes to `out`; stored
// entries go through `buffer` of `size` bytes. The entry must have passed
// ValidatePayload. On anything but kEntryWritten `out` holds a part.
EntryResult WriteEntryContents(ByteReader& in, const PayloadEntry& e, ByteSink& out, void* buffer,
                               unsigned size);

#endif
