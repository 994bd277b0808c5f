#pragma once
#include <string>
#include <vector>

#include "text/gbk_path.h"

namespace startup {

// What the update script acts on. Paths are in the system's code page with '\' separators;
// the arguments are the running launcher's own options, handed on to the copy it restarts.
struct UpdateScriptInput {
  std::string launcherPath;  // the running executable, replaced under its own name
  std::string newFile;       // the downloaded executable
  std::vector<std::string> restartArguments;
  text::LeadBytes pathLeadBytes = text::gbkLeadBytes();  // of the system's code page
  // The system's own program folder (GetSystemDirectory, no trailing '\'): the batch script
  // runs Taskkill and ping from there, never a file of that name in the client folder.
  std::string systemFolder;
};

// A text as one batch-file word: left bare when it holds only letters, digits and \ : . _ -,
// otherwise put in double quotes; '%' is doubled either way, because the batch language
// expands it even inside quotes.
std::string batchWord(const std::string& text);

// The batch script ("update.bat"): ends the old launcher and waits until it has gone,
// keeps a copy of the old executable, deletes it, moves the new one into its place and
// starts it; when the old one cannot be deleted or the new one cannot be moved in, the old
// one is kept or restored and started instead (a copy that cannot be put back stays, as the
// only launcher left). Finally the script deletes itself.
// CR LF between lines, none after the last one.
std::string batchUpdateScript(const UpdateScriptInput& input);

// A host-system text (UTF-8) as one word of the POSIX shell, in single quotes.
std::string shellWord(const std::string& text);

// The shell script ("update.sh") doing the same on Linux: waits for its parent (the old
// launcher) to end, ending it forcibly after about ten seconds, renames the new executable
// over the old one unless the old one is read-only, starts the launcher and deletes itself.
std::string shellUpdateScript(const UpdateScriptInput& input);

}  // namespace startup
