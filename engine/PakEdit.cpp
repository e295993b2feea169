// Deleting, renaming and moving entries. (Not built yet.)
#include "PakQuake.h"

uint8_t TQuakePak::DeleteEntries(const TStringList &) { return prDone; }
void TQuakePak::RenameEntry(int32_t, const std::string &) {}
uint8_t TQuakePak::MoveEntries(const TStringList &, const std::string &) { return prDone; }
