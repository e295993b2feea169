// Adding files and directory trees. (Not built yet.)
#include "PakQuake.h"

uint8_t TQuakePak::AddFiles(TStringList &, const std::string &, const std::string &, bool) { return prDone; }
bool TQuakePak::AppendFileData(const std::string &, const std::string &, std::string &) { return false; }
void TQuakePak::ScanDirectory(const std::string &, TStringList &, bool) {}
