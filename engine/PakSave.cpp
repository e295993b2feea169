// Saving the archive. (Not built yet.)
#include "PakQuake.h"

uint8_t TQuakePak::SavePak() { return prWriteFailed; }
uint8_t TQuakePak::SavePakAs(const std::string &) { return prWriteFailed; }
uint8_t TQuakePak::WriteArchive(const std::string &) { return prWriteFailed; }
