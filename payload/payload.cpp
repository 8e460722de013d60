#include "payload/payload.h"

FileHandle LocatePayload(FileSystem& fs, const char* modulePath) {
    if (!modulePath[0]) return kNoFile;
    FileHandle f = fs.OpenRead(modulePath);
    if (f == kNoFile) return kNoFile;
    FileReader r(fs, f);
    if (LocatePayloadIn(r) == kNoPosition) {
        fs.Close(f);
        return kNoFile;
    }
    return f;
}

void ReadPayloadTitle(FileSystem& fs, const char* modulePath, char title[kTitleSize + 1]) {
    FileHandle f = LocatePayload(fs, modulePath);
    if (f == kNoFile) return;
    FileReader r(fs, f);
    ReadTitleAt(r, title);
    fs.Close(f);
}
