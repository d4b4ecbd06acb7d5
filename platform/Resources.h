#pragma once
// The names of the executable's own resources, for the C++ and for the
// resource scripts alike (windres reads this file too, so it holds only
// macros). A name is written bare, as a resource script wants it;
// VEK_NAME(VEK_LOGO) is the same name as a C++ string, "LOGO".

// The resource type of the payload libraries (RCDATA-like, named by us).
#define VEK_PAYLOAD_TYPE DLLFILE

// The program's icon (ICON resource).
#define VEK_ICON MAINICON

// The pictures (RCDATA resources), made by the build (tools/images) in the
// form in which they are painted: the logo at the size of its square
// control, VEK_LOGO_SIDE pixels, and the buttons' glyphs.
#define VEK_LOGO LOGO
#define VEK_LOGO_SIDE 52
#define VEK_GLYPH_OK GLYPHOK
#define VEK_GLYPH_SAIR GLYPHSAIR

// The toolkit's information dialog (DIALOG resource, by number:
// platform/win32/window/InformationDialog.rc) and the id of its text.
#define VEK_INFORMATION_DIALOG 1
#define VEK_INFORMATION_TEXT 100

#define VEK_NAME(name) VEK_NAME_TEXT(name)
#define VEK_NAME_TEXT(name) #name
