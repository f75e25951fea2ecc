/* Imports TransparentBlt from msimg32, as Tivrel.exe once did: the import
   check must refuse it. */
#include <windows.h>

int main(void) { return TransparentBlt(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0) ? 1 : 0; }
