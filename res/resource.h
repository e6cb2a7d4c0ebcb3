// Resource ids of XVF_Aspect.dll, shared by the .rc files and the code.
// Fixed: the templates, the dialog-init list and the bitmap are looked up by
// these numbers, and the control ids are those of the dialogs' layout.
#pragma once

// Templates and their data; the dialog-init list of 5000 has the same id.
#define IDD_SETTINGS_DIALOG 5000
#define IDD_ABOUT_DIALOG 5002
#define IDB_ABOUT_PICTURE 5004

// Controls of the settings dialog.
#define IDC_OK_BUTTON 5002
#define IDC_CANCEL_BUTTON 5003
#define IDC_ABOUT_BUTTON 5008
#define IDC_INTERLACE_CHECK 5073
#define IDC_ASPECT_COMBO 5100

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
