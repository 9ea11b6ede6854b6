// Resource numbers, command identifiers and the texts the resource script shows.
// Read by windres as well as the compiler, so it holds #define lines only.
#ifndef KORVO_RESOURCE_IDS_H
#define KORVO_RESOURCE_IDS_H

#include "korvo_version.h"

// Bitmaps, menu, accelerators
#define IDB_SKIN 102
#define IDB_SHAPE 145
#define IDB_SKIN_PRESSED 170
#define IDB_DISPLAY_FONT 171
// The skin, its pressed face and its shape drawn again for the larger display scales, one
// number per scale in the order 125, 150, 175, 200, 250, 300 %.
#define IDB_SKIN_SCALED 181
#define IDB_SKIN_PRESSED_SCALED 191
#define IDB_SHAPE_SCALED 201
#define IDR_ACCELERATORS 105
#define IDR_MAINMENU 106

// Icons. Resource order counts: the two document icons must be groups 13 and 14 (from 0).
#define IDI_APP 101
#define IDI_TRAY_100 113
#define IDI_TRAY_0 114
#define IDI_TRAY_50 115
#define IDI_TRAY_60 116
#define IDI_TRAY_10 117
#define IDI_TRAY_20 118
#define IDI_TRAY_30 119
#define IDI_TRAY_40 120
#define IDI_TRAY_70 121
#define IDI_TRAY_80 122
#define IDI_TRAY_90 123
#define IDI_PLAYLIST 132
#define IDI_DOC_AUDIO 133
#define IDI_DOC_PLAYLIST 134
#define IDI_MINI_PAUSE 142
#define IDI_MINI_PLAY 146
#define IDI_MINI_STOP 148
#define IDI_MINI_NEXT 149
#define IDI_MINI_PREV 150

// Dialogs
#define IDD_OPEN_URL 125
#define IDC_URL_EDIT 1056
#define IDC_URL_EXAMPLE 1057
#define IDD_PLAYLIST_EDITOR 114
#define IDC_PL_LOAD 2
#define IDC_PL_SAVE 3
#define IDC_PL_ADD 5
#define IDC_PL_DELETE 6
#define IDC_PL_SHUFFLE 7
#define IDC_PL_SORT 8
#define IDC_PL_UP 9
#define IDC_PL_DOWN 10
#define IDC_PL_CLEAR 11
#define IDC_PL_EDIT_TAG 12
#define IDC_PL_LIST 1012
#define IDC_PL_PLAYTIME 1081
#define IDC_PL_FIND_LABEL 1013
#define IDC_PL_FIND 1014
#define IDD_JUMP 151
#define IDC_JUMP_FIND 1015
#define IDC_JUMP_LIST 1016
#define IDD_TAG_EDITOR 141
#define IDC_TAG_GENRE 1068
#define IDC_TAG_PATH 1091
#define IDC_TAG_ARTIST 1092
#define IDC_TAG_SAVE 1093
#define IDC_TAG_TITLE 1094
#define IDC_TAG_ALBUM 1095
#define IDC_TAG_COMMENT 1096
#define IDC_TAG_WIPE 1097
#define IDC_TAG_YEAR 1099
#define IDC_TAG_YEAR_SPIN 1100
#define IDD_EQUALIZER 149
#define IDC_EQ_BAND0 1115
#define IDC_EQ_ON 1127
#define IDC_EQ_RESET 1128
#define IDD_ABOUT_PAGE 119
#define IDD_LINKS_PAGE 120
#define IDC_ABOUT_TEXT 1061
#define IDC_LINKS_LIST 1060
#define IDC_LINKS_ADDRESS 1047
#define IDC_LINKS_BROWSE 1045
#define IDD_PREF_DECODER 107
#define IDD_PREF_GENERAL 108
#define IDD_PREF_AUDIO 117
#define IDD_PREF_STREAMING 126
#define IDC_GEN_READ_INFO 1084
#define IDC_GEN_MULTIPLE 1005
#define IDC_GEN_ON_TOP 1075
#define IDC_GEN_AUTO_PLAY 1076
#define IDC_GEN_SPLASH 1006
#define IDC_GEN_EASY_MOVE 1071
#define IDC_GEN_TASKBAR 1085
#define IDC_GEN_SYSTRAY 1086
#define IDC_GEN_IRC_SERVER 1108
#define IDC_GEN_IRC_COMMAND 1109
#define IDC_GEN_IRC_ENABLED 1110
#define IDC_GEN_IRC_USE_TAG 1111
#define IDC_GEN_IRC_TIMEOUT 1117
#define IDC_GEN_START_MENU 1077
#define IDC_GEN_REGISTER 1078
#define IDC_GEN_REMEMBER 1140
#define IDC_GEN_MEDIA_KEYS 1133
#define IDC_DEC_PRIORITY 1002
#define IDC_DEC_PRIORITY_NAME 1004
#define IDC_DEC_MAP_ISO 1099
#define IDC_DEC_MAP_XING 1100
#define IDC_DEC_MAP_FHG 1101
#define IDC_DEC_MAP_AR 1120
#define IDC_DEC_OUTPUT 1052
#define IDC_DEC_GAPLESS 1130
#define IDC_DEC_REPLAYGAIN 1131
#define IDC_DEC_PREAMP 1132
#define IDC_AUD_DEVICE 1062
#define IDC_AUD_8BIT 1063
#define IDC_AUD_BYPASS_ACM 1032
#define IDC_AUD_SYNC_DEV 1031
#define IDC_NET_PLAY_ONLY 1064
#define IDC_NET_PLAY_SAVE 1065
#define IDC_NET_DIR 1057
#define IDC_NET_BROWSE 1058
#define IDC_NET_SAVE_ONLY 1066
#define IDC_NET_PLAY_AFTER 1067
#define IDC_NET_CONNECTION 1068
#define IDC_NET_SERVER_TAG 1069
#define IDC_NET_STATUS 1070
#define IDC_NET_BUFFER 1072
#define IDC_NET_BUFFER_TEXT 1073

// Commands of menu 106 and accelerators 105
#define IDM_OPEN_FILE 40001
#define IDM_CLOSE 40003
#define IDM_OPEN_LOCATION 40004
#define IDM_PLAYLIST_EDITOR 40006
#define IDM_TAG_EDITOR 40008
#define IDM_PREFERENCES 40009
#define IDM_PLAY 40010
#define IDM_STOP 40011
#define IDM_PAUSE 40012
#define IDM_NEXT 40013
#define IDM_PREVIOUS 40014
#define IDM_SHUFFLE 40015
#define IDM_REPEAT 40016
#define IDM_ABOUT 40018
#define IDM_ADD_FILES 40029
#define IDM_ADD_URL 40030
#define IDM_ADD_EVENT 40032
#define IDM_EQUALIZER 40033
#define IDM_SORT_ASCENDING 40038
#define IDM_SORT_DESCENDING 40039
#define IDM_ADD_DIRECTORY 40040
#define IDM_PLAY_CURRENT 40102
// The main window's J: the "Jump to" box
#define IDM_JUMP_TO 40041
// Internal: Play when stopped, otherwise Pause (which goes on again when paused).
#define IDM_PLAY_PAUSE 40103

// Menu texts (the shortcut follows a tab)
#define TXT_MENU_OPEN_FILE "Open File\tAlt+o"
#define TXT_MENU_OPEN_LOCATION "Open Location\tAlt+l"
#define TXT_MENU_PLAY "Play\tCtrl+x"
#define TXT_MENU_PAUSE "Pause\tCtrl+c"
#define TXT_MENU_STOP "Stop\tCtrl+v"
#define TXT_MENU_NEXT "Next Track\tCtrl+b"
#define TXT_MENU_PREVIOUS "Previous Track\tCtrl+z"
#define TXT_MENU_SHUFFLE "Shuffle"
#define TXT_MENU_REPEAT "Repeat"
#define TXT_MENU_PLAYLIST_EDITOR "Playlist Editor"
#define TXT_MENU_TAG_EDITOR "ID3-TAG Editor"
#define TXT_MENU_EQUALIZER "Equalizer"
#define TXT_MENU_PREFERENCES "Preferences"
#define TXT_MENU_ABOUT "About...\tCtrl+h"
#define TXT_MENU_CLOSE "Close"
#define TXT_MENU_ADD_FILES "Add File(s)..."
#define TXT_MENU_ADD_URL "Add URL..."
#define TXT_MENU_ADD_EVENT "Add Event..."
#define TXT_MENU_ADD_DIRECTORY "Add Directory..."
#define TXT_MENU_SORT_ASCENDING "Ascending"
#define TXT_MENU_SORT_DESCENDING "Decending"

// Dialog 125
#define TXT_OPEN_URL_CAPTION "Open URL..."
#define TXT_OPEN_URL_PROMPT "Address of an MPEG audio file:"
#define TXT_OPEN_URL_EXAMPLE "For example: http://www.example.com/music/song.mp3"
#define TXT_OPEN_URL_OK "Open"
#define TXT_OPEN_URL_CANCEL "Cancel"

// Dialog 114 (its caption is replaced at run time; "&" marks a button's keyboard mnemonic)
#define TXT_PL_TEMPLATE_CAPTION "KOR Playlist Editor"
#define TXT_PL_CAPTION "LUMEN KORVO Playlist Editor"
#define TXT_PL_LOAD "&Load List"
#define TXT_PL_SAVE "&Save List"
#define TXT_PL_ADD "&Add Item"
#define TXT_PL_DELETE "&Del Item"
#define TXT_PL_SHUFFLE "S&huffle"
#define TXT_PL_SORT "So&rt"
#define TXT_PL_CLEAR "&Clear"
#define TXT_PL_EDIT_TAG "&Edit Tag"
#define TXT_PL_DISMISS "D&ismiss"
#define TXT_PL_UP "&Up"
#define TXT_PL_DOWN "D&n"
#define TXT_PL_FIND "Find"

// Dialog 151
#define TXT_JUMP_CAPTION "Jump to"
#define TXT_JUMP_PLAY "Play"
#define TXT_JUMP_CANCEL "Cancel"

// Dialog 141 (the "&" marks a label's keyboard mnemonic)
#define TXT_TAG_CAPTION "Tag Editor"
#define TXT_TAG_PATH "FileName"
#define TXT_TAG_GROUP "TAG Info"
#define TXT_TAG_ARTIST "&Artist Name"
#define TXT_TAG_TITLE "Song &Title"
#define TXT_TAG_ALBUM "Al&bum Title"
#define TXT_TAG_COMMENT "&Comment"
#define TXT_TAG_YEAR "&Year / Genre"
#define TXT_TAG_SAVE "&Save"
#define TXT_TAG_WIPE "&Wipe Tag"
#define TXT_TAG_CLOSE "Close"

// Dialog 149 (band labels: centre frequencies at 44.1 kHz)
#define TXT_EQ_CAPTION "Eq"
#define TXT_EQ_ON "On"
#define TXT_EQ_RESET "Reset"
#define TXT_EQ_OK "OK"
#define TXT_EQ_CANCEL "Cancel"
#define TXT_EQ_TOP "+6 dB"
#define TXT_EQ_FLAT "0 dB"
#define TXT_EQ_BOTTOM "off"
#define TXT_EQ_HZ "Hz"
#define TXT_EQ_BAND0 "20"
#define TXT_EQ_BAND1 "130"
#define TXT_EQ_BAND2 "330"
#define TXT_EQ_BAND3 "750"
#define TXT_EQ_BAND4 "1.2k"
#define TXT_EQ_BAND5 "1.9k"
#define TXT_EQ_BAND6 "3.8k"
#define TXT_EQ_BAND7 "5.8k"
#define TXT_EQ_BAND8 "7.7k"
#define TXT_EQ_BAND9 "12k"
#define TXT_EQ_BAND10 "15k"
#define TXT_EQ_BAND11 "22k"
// Dialogs 108, 107, 117, 126 (preference pages)
#define TXT_PREF_GENERAL "General"
#define TXT_PREF_DECODER "Decoder"
#define TXT_PREF_AUDIO "Audio Output"
#define TXT_PREF_STREAMING "Streaming"
#define TXT_GEN_OPTIONS "General Options"
#define TXT_GEN_READ_INFO "Read File Info on Open"
#define TXT_GEN_MULTIPLE "Multiple Instances"
#define TXT_GEN_ON_TOP "Always On Top"
#define TXT_GEN_AUTO_PLAY "Auto Play on Open"
#define TXT_GEN_SPLASH "Show Splashscreen"
#define TXT_GEN_EASY_MOVE "Easy Move"
#define TXT_GEN_REMEMBER "Remember the playlist and where it was"
#define TXT_GEN_MINIMIZE "Minimize to"
#define TXT_GEN_TASKBAR "TaskBar"
#define TXT_GEN_SYSTRAY "Systray"
#define TXT_GEN_IRC "IRC Announcement"
#define TXT_GEN_SERVER "Server"
#define TXT_GEN_COMMAND "Command Text"
#define TXT_GEN_IRC_ENABLED "mIrc Support Enabled"
#define TXT_GEN_IRC_USE_TAG "Use ID3-TAG info if available"
#define TXT_GEN_TIMEOUT "Sec. timeout"
#define TXT_GEN_FILE_TYPES "File Types"
#define TXT_GEN_START_MENU "Add to Start menu"
#define TXT_GEN_REGISTER "Register Filetypes"
#define TXT_GEN_MEDIA_KEYS "Media keys work while other programs have the focus"
#define TXT_DEC_PRIORITY "Thread Priority"
#define TXT_DEC_MAPPING "Layer III Mapping"
#define TXT_DEC_MAP_ISO "ISO Default Scheme"
#define TXT_DEC_MAP_XING "Xing / Misc Encoder"
#define TXT_DEC_MAP_FHG "Fraunhoffer l3producer"
#define TXT_DEC_MAP_AR "ARCoder v1.2+"
#define TXT_DEC_OUTPUT "Output System"
#define TXT_DEC_GAPLESS "Gapless playback"
#define TXT_DEC_REPLAYGAIN "ReplayGain"
#define TXT_DEC_PREAMP "Preamp"
#define TXT_AUD_DEVICE "Sound Device"
#define TXT_AUD_OPTIONS "Device Options"
#define TXT_AUD_8BIT "Force 8-Bit Output"
#define TXT_AUD_BYPASS_ACM "Bypass Audio Compression  Manager"
#define TXT_AUD_SYNC_DEV "Allow Synchronous Devices"
#define TXT_NET_CAPTION "Internet"
#define TXT_NET_DOWNLOAD "Download"
#define TXT_NET_PLAY_ONLY "Play Only"
#define TXT_NET_PLAY_SAVE "Play and Save"
#define TXT_NET_SAVE_ONLY "Save Only"
#define TXT_NET_PLAY_AFTER "Play after download"
#define TXT_NET_DIR "Download Folder"
#define TXT_NET_BROWSE "Browse"
#define TXT_NET_CONNECTION "Connection"
#define TXT_NET_SERVER_TAG "Check for server TAG File"
#define TXT_NET_STATUS "Download status window"
#define TXT_NET_BUFFER "Streaming Buffer"
// Dialogs 119 and 120 (about pages)
#define TXT_ABOUT_PAGE "About Page"
#define TXT_LINKS_PAGE "Cool Links"
#define TXT_LINKS_BROWSE "Browse To"
// Version resource
#define TXT_PRODUCT_NAME "LUMEN KORVO 2000"
#define TXT_FILE_DESCRIPTION "LUMEN KORVO 2000 MPEG audio player"
#define TXT_EXE_NAME "LumenKorvo.exe"
#define TXT_VERSION KORVO_VERSION_QUAD
#define VERSION_NUMBERS KORVO_VERSION_NUMBERS

// Dialog 137: the mini controller
#define IDD_MINI_CONTROLLER 137
#define IDC_MINI_PREV 1078
#define IDC_MINI_PLAY 1079
#define IDC_MINI_PAUSE 1080
#define IDC_MINI_STOP 1081
#define IDC_MINI_NEXT 1082
#define IDC_MINI_SLIDER 1112
#define TXT_MINI_PREV "Prev"
#define TXT_MINI_PLAY "Play"
#define TXT_MINI_PAUSE "Pause"
#define TXT_MINI_STOP "Stop"
#define TXT_MINI_NEXT "Next"

#endif
