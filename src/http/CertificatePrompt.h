#pragma once
// The question shown when a request failed on the server's certificate.
#include <string>

#include "util/RunDisplay.h"

// The Korean question followed by the internet error's text.
std::string CertificatePromptText(const std::string& errorText);
// Shows question in a Yes/No box with the exclamation icon, captioned
// "VantoExe"; true when the user answered Yes.
bool AskYesIgnoreCertificate(IRunDisplay& display, const std::string& question);
