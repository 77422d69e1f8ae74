// Identifiers of the program's resources, shared by the resource script and the code. Win32 only.
#pragma once

#ifndef _WIN32
#error "Win32 backend only"
#endif

#define IDD_VARNUGAMESSTARTER_DIALOG 102
#define IDR_MAINFRAME 128

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
