// The executable's own resources: the files of resources/ that the build
// links into the program, found by name and type.
#pragma once

#include "PlatformTypes.h"

/** The resource called name of the given type, or null. A file "background.png"
    of resources/ is the resource "BACKGROUND" of type "PNG": the upper-cased
    file name without its last extension, and that extension upper-cased.
    Names and types compare ignoring case. There is one module, the program
    itself, so module is not used. Numeric ids (values below 0x10000 in place
    of a text) name no resource here. */
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);

/** The loaded-resource handle of a found resource; null for a null one. The
    resources are part of the program, so loading costs nothing. */
HGLOBAL LoadResource(HMODULE module, HRSRC resource);

/** The first byte of a loaded resource (read-only: it lies in the program's
    constant data), or null for a handle that LoadResource did not give. */
LPVOID LockResource(HGLOBAL loaded);

/** The resource's size in bytes; 0 for a null resource. */
DWORD SizeofResource(HMODULE module, HRSRC resource);

/** Releases a loaded resource. There is nothing to release, so it always
    answers FALSE, which means success. */
BOOL FreeResource(HGLOBAL loaded);
