#pragma once
// The temporary files of the program's writes, told apart from every other file so that those a killed
// command left are removed by a later one, and sets of files written all or none.

#include "base/Outcome.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace tulo {

// The name of a new temporary file beside `resolved` (the end of a write's links):
// "<name>.tmp-tulo<pid>-<n>". The stale temporaries of the folder are removed first, once per folder and
// process (see RemoveStaleTemporaries).
std::filesystem::path TemporaryNameBeside(const std::filesystem::path& resolved);

// Removes from `folder` the temporary files of TULO commands that ended without finishing them: names of
// TemporaryNameBeside whose process is gone and which have not changed for a minute (a process of another
// machine sharing the folder writes its file steadily). Other files stay, those kept for the user among
// them: a stopped command's "<name>.partial-<n>", a finished file that could not replace its target
// "<name>.complete-<n>", an old file that could not be put back "<name>.old-<n>".
void RemoveStaleTemporaries(const std::filesystem::path& folder);

// Gives a new file the permissions of the file it is to replace, when there is one, so that a replaced
// output stays as private (or as shared) as it was.
void KeepPermissions(const std::filesystem::path& file, const std::filesystem::path& replaced);

// A file of a set written together, and its content.
struct FileContent {
    std::filesystem::path path;
    std::string content;
};

// Writes every file of a set or none. Each content goes to a temporary beside its target first, so that
// a full disk or a missing folder stops the set before any target changes; then each old file is linked
// (or, where links are not possible, copied) aside, and every temporary renamed over its target; should a
// rename fail, the targets renamed already get their old files back (or, new, are removed). The set's
// paths name distinct files. A failure says why, the old files then in place (or, when one cannot be put
// back, named by the message).
Outcome WriteFilesTogether(std::span<const FileContent> files);

} // namespace tulo
