#pragma once
// The result file "VantoExe.ini" ([VANTOEXE] RESULT) that tells whoever
// started the program how the run ended.
#include <string>

// Writes the code into resultFile, creating its folder first when it is
// missing (the target folder of start modes 2 and 3 may not exist yet): a
// caller must never read an earlier run's result. A failure is logged;
// false then.
bool WriteResultFile(const std::string& resultFile, const std::string& value);

// "%s\VantoExe.ini" of the target folder.
std::string ResultFilePathOf(const std::string& targetDir);

// From the start of a run until its end the result file says the run did
// not finish (the fatal code): a caller of a run that was killed or lost
// its power never reads the previous run's success. Logged; false when the
// file could not be written.
bool MarkRunNotFinished(const std::string& targetDir);
