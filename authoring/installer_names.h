// The names an installer writes under, as the stub derives them from the
// installer's file name, and what Windows makes of them.
#ifndef AUTHORING_INSTALLER_NAMES_H
#define AUTHORING_INSTALLER_NAMES_H

#include <cstdint>
#include <string>

#include "payload/format.h"

// The extension of a file name as an entry stores it: from its last '.' on
// (".BMP"), "" without one. False, with a reason, when it can't be stored.
bool ExtensionFor(const std::string& fileName, std::string* ext, std::string* error);

// Whether the stub would install under the names this installer file name
// gives (see UsableInstallerNames).
bool InstallerNamesUsable(const std::string& installerFileName);

// The entry's target below the Windows directory, for an installer with the
// given file name: "FOREST.SCR", "QUORBEL\SSAVERS\Forest\Forest.DAT", ...
// Empty when the stub would refuse the name.
std::string TargetPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                       const PayloadEntry& e);

// The same as Windows creates it: each name loses its trailing dots and
// spaces ("FILE0002.." is made as "FILE0002"). list, verify and extract
// show and write these.
std::string CreatedPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                        const PayloadEntry& e);

// Why Windows will not keep a stored extension as written, and what then
// ("" when it will): trailing dots or spaces are dropped (the file is
// created as `created`), and bytes from 0x80 on are letters of whatever
// code page the installing machine has.
std::string ExtensionCaveat(const std::string& ext, const std::string& created);

#endif
