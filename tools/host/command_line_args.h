// The program's arguments as UTF-8 texts, whatever the system's code page:
// names and display texts are typed in Chinese.
#pragma once
#include <string>
#include <vector>

namespace icbus::tool {

// The arguments after the program name. On Windows they are read from the
// wide command line (argv holds them in the ANSI code page, which loses
// characters); elsewhere argv is taken as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes standard output and error take the bytes the tool writes as they
// are: UTF-8 for texts, CR LF in record lines without a second CR.
void PrepareStandardStreams();

}  // namespace icbus::tool
