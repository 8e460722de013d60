#include "install/outcome.h"

#include "base/text.h"
#include "install/install.h"
#include "res/texts.h"

void FailInstall(InstallOutcome* o, InstallError e, const char* file) {
    if (o->error != kInstallOk) return;
    o->error = e;
    CopyText(o->file, sizeof o->file, file);
}

static_assert(kTextFailedNotRun - kTextFailedOk == kInstallNotRun,
              "the failure texts stand in the order of InstallError");

void FormatInstallFailure(const InstallOutcome& o, char* out, size_t cap) {
    // The reasons stand in the texts in the order of InstallError.
    char reason[kTextSize];
    FormatWithArgument(reason, sizeof reason, (TextId)(kTextFailedOk + o.error), o.file);
    FormatWithArgument(out, cap, o.filesComplete ? kTextNotRegistered : kTextNotInstalled, reason);
}
