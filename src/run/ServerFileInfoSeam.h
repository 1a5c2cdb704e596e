#pragma once
// Connects the list reading to the HTTP layer's file information request.
#include "list/ListFileReader.h"

#include "http/ServerFileInfo.h"

// The request's view of an entry, and the answers written back into it.
ServerFileInfo ToServerInfo(const FileItem& item);
void FromServerInfo(const ServerFileInfo& info, FileItem& item);
