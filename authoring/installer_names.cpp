#include "authoring/installer_names.h"

#include <cstring>

#include "base/sizes.h"
#include "install/names.h"
#include "install/targets.h"
#include "payload/validate.h"

bool ExtensionFor(const std::string& fileName, std::string* ext, std::string* error) {
    size_t slash = fileName.find_last_of("/\\");
    std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    size_t dot = base.rfind('.');
    *ext = dot == std::string::npos ? "" : base.substr(dot);
    if (ext->size() > kExtensionSize) {
        *error = fileName + ": the extension " + *ext + " is longer than 4 characters (with its '.')";
        return false;
    }
    // The rule the stub applies when it names the file.
    PayloadEntry e = {};
    std::memcpy(e.extension, ext->data(), ext->size());
    char checked[kExtensionSize + 1];
    if (!EntryExtension(e, checked)) {
        *error = fileName + ": the extension holds a character a file name can't have";
        return false;
    }
    return true;
}
std::string CreatedPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                        const PayloadEntry& e) {
    const std::string path = TargetPath(installerFileName, index, numberingBase, e);
    std::string out, name;
    for (size_t at = 0; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '\\') {
            name += path[at];
            continue;
        }
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
        out += (out.empty() ? "" : "\\") + name;
        name.clear();
    }
    return out;
}

std::string ExtensionCaveat(const std::string& ext, const std::string& created) {
    const std::string what = "Windows will not keep the extension \"" + ext + "\" as written: ";
    if (!ext.empty() && (ext.back() == '.' || ext.back() == ' '))
        return what + "it drops a name's trailing dots and spaces, and the file is created as " + created;
    for (unsigned char c : ext)
        if (c >= 0x80)
            return what + "its bytes from 0x80 on are letters of the installing machine's code page, "
                          "which decides the name";
    return "";
}

namespace {

// The screen-saver name and the installer base the stub derives from an
// installer of this file name. False when they do not fit.
bool StubNames(const std::string& installerFileName, char scr[kPathSize], char base[kPathSize]) {
    // The stub sees its path with '\\' separators; only the file name
    // matters, which follows a drive's ':' too ("C:Forest.exe").
    size_t slash = installerFileName.find_last_of("/\\:");
    std::string path = "C:\\SETUP\\" + (slash == std::string::npos
                                            ? installerFileName
                                            : installerFileName.substr(slash + 1));
    return ScreenSaverFileName(path.c_str(), scr, kPathSize) && InstallerBase(path.c_str(), base, kPathSize);
}

}  // namespace

bool InstallerNamesUsable(const std::string& installerFileName) {
    char scr[kPathSize], base[kPathSize];
    return StubNames(installerFileName, scr, base) && UsableInstallerNames(scr, base);
}

std::string TargetPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                       const PayloadEntry& e) {
    char scr[kPathSize], base[kPathSize], name[kPathSize];
    if (!StubNames(installerFileName, scr, base) ||
        !EntryFileName(index, numberingBase, e, scr, base, name, sizeof name))
        return "";
    if (index == kEntryProgram) return name;
    return std::string(kDataRoot) + "\\" + kDataParent + "\\" + base + "\\" + name;
}
