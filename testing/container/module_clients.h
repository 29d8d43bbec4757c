// A control module through the clients a user has: regsvr32 and what it leaves in the
// registry, the module's version resource and exports, and Wine's cscript running a
// VBScript against the registered control.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace test_container {

// The full path of `relative` taken from this test program's folder ("..\\X.ocx").
std::string PathBesideTests(const std::string& relative);

// "regsvr32 /s <options> <module>"; its exit code, or nothing when it did not end.
std::optional<DWORD> Regsvr32(const std::string& modulePath, const std::string& options = "");

// Every line DumpRegistryTree gives under HKEY_CLASSES_ROOT for each of `roots`, and
// "server of {clsid}" for any class anywhere whose InprocServer32 names `modulePath`;
// sorted, without repeats. What a module's registration left is what this lists.
std::vector<std::string> RegistrationTraces(const std::vector<std::string>& roots,
                                            const std::string& modulePath);
bool HasLine(const std::vector<std::string>& lines, const std::string& line);
bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix);

// A text of the version resource's block 040904B0, or "<missing>".
std::string VersionText(const std::string& modulePath, const char* name);
// The names the module exports, in the export table's order.
std::vector<std::string> ExportedNames(const std::string& modulePath);
// How many functions it exports, by name or by ordinal alone; 0 without an export table.
DWORD ExportedFunctionCount(const std::string& modulePath);

// Writes `script` into the temporary folder as `fileName`, runs "cscript //nologo" on it and
// deletes it again: cscript's exit code, or nothing when it did not end in `timeoutMs`.
// Errors in a WSH script end it with 0 and no output, so a script reports success by
// WScript.Quit with a code of its own.
std::optional<DWORD> RunCscript(const std::string& fileName, const std::string& script,
                                DWORD timeoutMs = 120000);

}  // namespace test_container
