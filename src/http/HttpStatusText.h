#pragma once
// Korean description of an HTTP status code, for log lines and messages.
#include <string>

// Text for the status; codes without a description give the fallback text.
std::string GetHttpStatusText(int statusCode);
