#pragma once
// Identifiers of the settings dialog's templates, controls, images and commands.

#define IDD_COMMON_SETTINGS 100
#define IDD_INFO 101

#define IDB_LOGO 110
#define IDB_MENU_HELP 111
#define IDB_MENU_ACTION 112

#define IDC_LOGO 120
#define IDC_MODEL_NAME 121
#define IDC_DRIVER_VERSION 122
#define IDC_PAGES 123
#define IDC_ADDITIONALLY 124

// The information tab: each caption's value has the caption's id + 10.
#define IDC_TYPE_CAPTION 130
#define IDC_MODEL_CAPTION 131
#define IDC_VERSION_CAPTION 132
#define IDC_DEVELOPER_CAPTION 133
#define IDC_DESCRIPTION_CAPTION 134
#define IDC_CONTACT_CAPTION 135
#define IDC_TYPE_INFO 140
#define IDC_MODEL_INFO 141
#define IDC_VERSION_INFO 142
#define IDC_DEVELOPER_INFO 143
#define IDC_DESCRIPTION_INFO 144
#define IDC_CONTACT_INFO 145

#define IDM_RESET 150
#define IDM_DEVICE_TEST 151
#define IDM_SETTINGS_LIST 152
#define IDM_OPEN_CURRENT_DEBUG_LOG 153
#define IDM_OPEN_DEBUG_LOG_DIRECTORY 154
#define IDM_HELP 155
// One command per additional action of the driver, by its index.
#define IDM_ADDITIONAL_ACTION 200
#define IDM_ADDITIONAL_ACTION_LAST 999
