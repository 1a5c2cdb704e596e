// A DLL that the depending test COM server (com_fixture.cpp built with
// VANTO_COM_DEPENDS) imports: it lies beside that server only, so the server
// loads only when its own folder is searched for its dependencies.
#include <windows.h>

extern "C" __declspec(dllexport) int VantoComHelperValue() { return 42; }
