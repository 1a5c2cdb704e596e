#pragma once
// The class-name tags that open log lines, as in
// "CVantoExeDlg::OnRequestStart> Recv WMU_REQUEST_START Message".
//
// FROZEN ON PURPOSE. The tags name the classes of the program's first design
// (the dialog, the application, the sync engine), not the C++ class that
// writes the line today: run, handler and download code logs under
// "CVantoExeDlg::", start-up and exit under "CVantoExeApp::". Administrators
// grep their logs for them and the documentation quotes them, so a line keeps
// its tag when its code moves; never "correct" a tag to match the code.
//
// Each log line spells its tag out in full, so that a line from a log can be
// found in the code with one grep; the list below is the catalogue of tags
// in use. A new tag is a new interface: add it here and to the documentation.
//
//   "CVantoExeDlg::"  the run, downloads, handlers, self-update
//   "CVantoExeApp::"  start-up, configuration sources, exit, launching
//   "CVantoCfg::"     the configuration dump and the server configuration
//   "CSyncEngine::"   registry file import
//   "CKillUtil::"     finding and ending companion programs
//   "CSockUtil::"     the local address
//   "CMyLog::"        the log's own error texts
//
// The unit and end-to-end tests assert whole log lines with their tags, so a
// renamed tag fails them.
