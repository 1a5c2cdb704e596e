#pragma once
// The newest list timestamp the run accepted, per server and list, in the
// machine's part of the registry (HKLM\SOFTWARE\VantoExe\AcceptedLists,
// 32-bit view in every build): the program runs elevated, and a user
// without administrator rights can neither lower it nor remove it, as he
// could in the target folder. Windows only.
#include <cstdint>
#include <string>

// 0 when none was stored (or it cannot be read: logged).
uint64_t LoadAcceptedListTime(const std::string& key);
// false when it could not be stored (logged).
bool StoreAcceptedListTime(const std::string& key, uint64_t timestamp);
