#pragma once
// The one place where texts change encoding. Program texts are CP949 bytes.
#include <string>

std::wstring Cp949ToWide(const std::string& text);
std::string WideToCp949(const std::wstring& text);
std::string Cp949ToUtf8(const std::string& text);
std::string Utf8ToCp949(const std::string& text);
