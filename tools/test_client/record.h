#pragma once
#include <string>
#include <vector>

// What the client was started with, written as separate files into one folder so each can be
// compared byte for byte (texts in UTF-8, the Windows client's wide view of them):
//   command_line  the raw command line (Windows only: Linux programs receive no such text)
//   args          every argument after the program name, each followed by "\n"
//   argv0         the program-name argument
//   cwd           the working directory
//   vf.ini        a copy of vf.ini from the working directory, when there is one
//   complete      empty, written after all the others
// The folder is $TEST_CLIENT_RECORD when set, else "client_record" in the working directory;
// each start takes the first free subfolder "1", "2", ... so several starts keep their records.
// With $TEST_CLIENT_STAY_MS the client stays running that long after writing.
struct Started {
  bool hasCommandLine = false;
  std::string commandLine;
  std::vector<std::string> args;  // args[0] is the program name
  std::string cwd;
  bool hasSettings = false;
  std::string settings;
};

// Writes the record; 0 on success, 1 when the folder could not be written.
int writeRecord(const std::string& folder, const Started& started);
