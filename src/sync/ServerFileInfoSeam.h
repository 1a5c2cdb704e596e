#pragma once
// Connects the list reading to the HTTP layer's file information request.
#include "sync/ListFileReader.h"

class CHttpContext;

// The query GetFileListFromListFile uses in a run: GetServerFileInfo on the
// shared connection, answers written back into the entry.
ServerFileInfoQuery MakeServerFileInfoQuery(CHttpContext& http, IRunDisplay& display);
