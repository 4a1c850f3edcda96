#pragma once

#define IDM_RELOAD 101
#define IDM_EXIT 102
#define IDM_HELP 103
#define IDM_ABOUT 104

#define IDR_MAINMENU 200
#define IDR_KEYS 201
