#pragma once
/* The records behind the delay-import stubs that cmake/DelayImports.cmake
 * generates for the system DLLs outside KnownDLLs (version, wininet, bcrypt,
 * gdiplus). Each imported function has an import slot (__imp_<name>) that
 * starts out pointing at a stub; the first call goes through the stub to
 * VantoResolveDelayImport, which loads the DLL from the system folder by
 * its full path, writes the function's address into the slot and jumps on.
 * Later calls go straight to the DLL. C, because the stubs are generated
 * as C with assembly. Windows only. */
#ifdef __cplusplus
extern "C" {
#endif

/* One DLL: its file name in the system folder and, once loaded, its handle. */
typedef struct VantoDelayDll {
  const char* name;
  void* volatile module;
} VantoDelayDll;

/* One imported function. The stubs address these records by index, so
 * their layout is fixed: three pointers. */
typedef struct VantoDelayImport {
  void* volatile* slot;
  const char* function;
  VantoDelayDll* dll;
} VantoDelayImport;

/* Called by the stubs (the shared trampoline keeps the caller's argument
 * registers). Returns the function's address, already in the slot. When
 * the DLL or the function cannot be had, the process ends with the fatal
 * result code after a line naming both: a call never goes to address 0. */
void* VantoResolveDelayImport(const VantoDelayImport* import) __asm__("vanto_resolve_delay_import");

#ifdef __cplusplus
}
#endif
