#include "install/outcome.h"

#include "base/text.h"
#include "res/texts.h"

void FailInstall(InstallOutcome* o, InstallError e, const char* file) {
    if (o->error != kInstallOk) return;
    o->error = e;
    CopyText(o->file, sizeof o->file, file);
}

static_assert(kTextFailedNotRun - kTextFailedOk == kInstallNotRun,
              "the failure texts stand in the order of InstallError");

TextId InstallFailure(const InstallOutcome& o, char* reason, size_t cap) {
    // The reasons stand in the texts in the order of InstallError.
    FormatWithArgument(reason, cap, (TextId)(kTextFailedOk + o.error), o.file);
    return o.filesComplete ? kTextNotRegistered : kTextNotInstalled;
}

void FormatInstallFailure(const InstallOutcome& o, char* out, size_t cap) {
    char reason[kTextSize];
    FormatWithArgument(out, cap, InstallFailure(o, reason, sizeof reason), reason);
}
