// A restore run from a window: a whole-registry backup of an older version is written back only
// after the user agreed to the warning of what that does.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "backup/Backup.h"

// One run of the restore in question with the given dialogue and message sink.
using RestoreRun = std::function<RestoreStatus(RestoreDialogue& dialogue, const BackupMessageCallback& message)>;

// Runs the restore with a wait cursor, gathering its messages. When it met a whole-registry backup,
// asks Yes/No with the warning (no lock is held meanwhile; No is the default) and, on Yes, runs it
// once more confirmed, `dialogue.file` naming the file the first run met. The messages of the run
// that counted end up in `messages`; NotConfirmed when the user said No.
RestoreStatus RestoreAskingForWhole(HWND owner, const char* caption, const RestoreRun& run, RestoreDialogue& dialogue,
                                    std::vector<std::string>& messages);
