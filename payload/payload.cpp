#include "payload/payload.h"

FileHandle LocatePayload(Platform& p) {
    char path[260];
    if (p.ModuleFileName(path, sizeof path) == 0) return kNoFile;
    FileHandle f = p.OpenRead(path);
    if (f == kNoFile) return kNoFile;
    FileReader r(p, f);
    if (LocatePayloadIn(r) < 0) {
        p.Close(f);
        return kNoFile;
    }
    return f;
}

void ReadPayloadTitle(Platform& p, char title[kTitleSize + 1]) {
    FileHandle f = LocatePayload(p);
    if (f == kNoFile) return;
    FileReader r(p, f);
    ReadTitleAt(r, title);
    p.Close(f);
}
