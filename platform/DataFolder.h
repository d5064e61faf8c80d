// The one per-user folder that holds the working files of both programs (the ignore list, the undo
// files, the registry backups, the repair lock), whatever folder a program was started in.
#pragma once
#include <string>
#include <vector>

constexpr const char* DATA_FOLDER_NAME = "Zenthar";  // below the user's application data folder
constexpr const char* IGNORE_LIST_NAME = "ignore.lst";

// The folder chosen with SetDataFolder, else %APPDATA%\Zenthar (the environment's APPDATA made
// absolute, else the shell's application data folder, else the temporary folder; a path with
// letters outside the code page by its short name). Created, with any missing parent, at every
// call that finds it missing; no trailing backslash. While DataFolderRefusal says why, a folder
// that is never created.
std::string DataFolder();
// Why the default data folder cannot be used at all (its path has letters outside the code page
// and no short name); empty when it can.
std::string DataFolderRefusal();
// `folder` (made absolute) replaces the default for this process; an empty text brings it back.
void SetDataFolder(const std::string& folder);
// The full path of a working file in the data folder.
std::string DataFilePath(const std::string& name);
// True when the data folder exists (it is created if missing) and a file can be written in it;
// otherwise false with the reason in `error`, and the folders made for it removed again.
bool DataFolderUsable(std::string& error);

// The folder of the running program, and the current directory; no trailing backslash.
std::string ProgramFolder();
std::string CurrentFolder();
// True when two paths name the same folder (case and a trailing backslash aside).
bool SameFolder(const std::string& a, const std::string& b);
// The folders an older version left its working files in: the current directory and the program's
// folder, without the data folder and without repeats.
std::vector<std::string> OlderWorkingFolders();

// The ignore list's path in the data folder. When the data folder has none yet, the lists an older
// version left in OlderWorkingFolders are merged into it first: every line of the first, then each
// line of the others that it lacks. The old files stay where they are.
std::string IgnoreListPath();
