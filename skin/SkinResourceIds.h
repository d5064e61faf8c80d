// Resource numbers of the skin engine (shared by the .rc files and the code).
#pragma once
#define IDR_SKINLIST_MENU 171
#define ID_SKINLIST_SELECT_ALL 32780
#define ID_SKINLIST_DESELECT_ALL 32781
