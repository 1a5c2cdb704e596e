#pragma once
// libsodium must be initialised once before use; every entry point of the
// trust floor calls this first. false only when the library cannot run.
bool EnsureSodium();
