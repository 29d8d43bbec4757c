// Tessaly.ini: the camera table's cameras ([CLIINFO]) and global settings ([GLOBAL]).
#pragma once

namespace liveview {

class CCameraTable;

// Loads the file at the table's settings path into the table. A missing file leaves the
// defaults; a bad entry (window outside 0 to 15, empty DomainName, port outside 1 to 65535)
// ends loading with the entries before it kept, and a camera already loaded is skipped.
// 0 when the path is empty, else 1.
int LoadSettingsFile(CCameraTable& table);

// Writes every record that has a DomainName, then CLI_COUNT and [GLOBAL]. Keys of entries
// past the new CLI_COUNT stay in the file unread. 0 when the path is empty or a write
// failed, else 1.
int SaveSettingsFile(const CCameraTable& table);

}  // namespace liveview
