// Resource ids of the program.
#pragma once

#define IDI_APP 1
#define IDI_TRAY 2
#define IDR_LOGO_PNG 100
// Menu strip pictures: normal state at 110 + button index, active state at 120 + index.
#define IDR_MENU_NORMAL_BASE 110
#define IDR_MENU_ACTIVE_BASE 120
// The 16 x 16 gear of the startup password's settings button.
#define IDR_GEAR_PNG 130
// The import window: the tick shown once a file is picked, the dashed box behind its text.
#define IDR_TICK_PNG 131
#define IDR_IMPORT_BOX_PNG 132
// The about page: the picture shown at start and the two appreciation pictures.
#define IDR_ABOUT_START_PNG 140
#define IDR_WECHAT_PNG 141
#define IDR_ALIPAY_PNG 142
