// Resource ids of PanelDesk, grouped by the window that uses them. Read by the resource
// compiler and by the C++ code alike, so only plain #defines belong here.
#ifndef PANELDESK_RESOURCES_RESOURCE_H
#define PANELDESK_RESOURCES_RESOURCE_H

#define IDC_STATIC (-1)

// The drop-down lists' items of a dialog template (see controls/DialogLists.h).
#define RT_DIALOG_LISTS 240

// --- Icons and pictures ---------------------------------------------------------------------
#define IDI_APP 101
#define IDI_EXIT 121
#define IDI_HELP 122
#define IDB_TAB_IMAGES 124
#define IDI_OK 130
#define IDI_CANCEL 131
#define IDB_ABOUT_PICTURE 139

// --- Texts of every window: the title, the boxes any page may show, the per-cent sign ------------
#define IDS_TITLE 1
#define IDS_NO_RESPONSE 10
#define IDS_WRITE_FAILED 102
#define IDS_PORT_RESERVED 107
#define IDS_PERCENT_SUFFIX 109

// --- Main window: dialog 102, menu 129 -----------------------------------------------------
#define IDD_MAIN 102
#define IDR_MAIN_MENU 129
#define IDC_MAIN_EXIT 1006
#define IDC_MAIN_HELP 1042
#define ID_FILE_OPEN_PHONEBOOK 40008
#define ID_FILE_SAVE_PHONEBOOK 40009
#define ID_FILE_EXIT 32771
#define ID_HELP_CONTENTS 32772
#define ID_HELP_ABOUT 40010
#define ID_FILE_IMPORT_PHONEBOOK 40011
#define ID_FILE_EXPORT_PHONEBOOK 40012
// The framework's standard help command.
#define ID_HELP_STANDARD 57670

// --- About box: dialog 110 -----------------------------------------------------------------
#define IDD_ABOUT 110
#define IDS_ABOUT_MODEL 51
#define IDS_ABOUT_VERSION 52
#define IDS_ABOUT_COPYRIGHT 53
#define IDS_ABOUT_RIGHTS 54

// --- Entry editor: dialog 112 --------------------------------------------------------------
#define IDD_ENTRY 112
#define IDC_ENTRY_NUMBER 1001
#define IDC_ENTRY_NAME 1002
#define IDS_EDIT_CAPTION 11

// --- Import summary: dialog 141 ------------------------------------------------------------
#define IDD_IMPORT 141
#define IDC_IMPORT_FILE 1101
#define IDC_IMPORT_ADDED 1102
#define IDC_IMPORT_CHANGED 1103
#define IDC_IMPORT_REFUSED 1104
#define IDC_IMPORT_PROBLEMS 1105
#define IDS_COLUMN_LINE 114
#define IDS_COLUMN_REASON 115
// Why a row of a file is refused: one text for each fault of phonebook/RowProblem.h, in its
// order, from this number on.
#define IDS_ROW_FAULT_FIRST 300

// --- Settings page: dialog 106 -------------------------------------------------------------
#define IDD_SETTINGS 106
#define IDC_SET_POWER_SAVE_MINUTES 1000
#define IDC_SET_POWER_SAVE_OFF 1002
#define IDC_SET_POWER_SAVE_ON 1003
#define IDC_SET_TRAY_PAPER_SIZE 1017
#define IDC_SET_SEND_CONFIRMATION 1018
#define IDC_SET_BYPASS_PAPER_SIZE 1019
#define IDC_SET_BYPASS_PAPER_TYPE 1020
#define IDC_SET_DISCARD_LENGTH 1021
#define IDC_SET_ANSWER_DELAY 1023
#define IDC_SET_REMOTE_RECEIVE_CODE 1024
#define IDC_SET_REDIAL_ATTEMPTS 1025
#define IDC_SET_REDIAL_INTERVAL 1026
#define IDC_SET_ECM_MODE 1028
#define IDC_SET_SEND_FROM_MEMORY 1029
#define IDC_SET_CLOCK_FORMAT 1053
#define IDC_SET_AUTO_JOURNAL 1056
#define IDC_SET_DEVICE_ID 1057
#define IDC_SET_RECEIVE_REDUCTION 1058
#define IDC_SET_HORIZONTAL_REDUCTION 1059
#define IDC_SET_REFRESH 1060
#define IDC_SET_APPLY 1063
#define IDC_SET_DISCARD_ARROWS 1096
#define IDC_SET_ANSWER_DELAY_ARROWS 1097
#define IDC_SET_REDIAL_ATTEMPTS_ARROWS 1098
#define IDC_SET_REDIAL_INTERVAL_ARROWS 1099

// --- Advanced page: dialog 123 -------------------------------------------------------------
#define IDD_ADVANCED 123
#define IDC_ADV_NUMBER_PREFIX 1001
#define IDC_ADV_RECEIVE_MODE 1022
#define IDC_ADV_DEVICE_ID_NUMBER 1037
#define IDC_ADV_DEVICE_ID_NAME 1038
#define IDC_ADV_CUSTOMER_NAME 1039
#define IDC_ADV_CUSTOMER_NUMBER 1040
#define IDC_ADV_SERVICE_NUMBER 1041
#define IDC_ADV_SERIAL_NUMBER 1042
#define IDC_ADV_DUPLEX_FAX 1050
#define IDC_ADV_ALARM_SOUND 1051
#define IDC_ADV_KEY_SOUND 1052
#define IDC_ADV_TONER_SAVE 1054
#define IDC_ADV_TONER_NOTICE 1055
#define IDC_ADV_USB_MODE 1057
#define IDC_ADV_LANGUAGE 1058
#define IDC_ADV_REFRESH 1060
#define IDC_ADV_SPEAKER_MODE 1061
#define IDC_ADV_RING_VOLUME 1062
#define IDC_ADV_APPLY 1063
#define IDC_ADV_IMAGE_QUALITY 1064

// --- Phonebook page: dialog 115 ------------------------------------------------------------
#define IDD_PHONEBOOK 115
#define IDC_PB_WRITE 1024
#define IDC_PB_EDIT 1025
#define IDC_PB_DELETE 1026
#define IDC_PB_LIST 1027
#define IDC_PB_DELETE_ALL 1031
#define IDC_PB_READ 1032
#define IDC_PB_ONE_TOUCH 1034
#define IDC_PB_SPEED_DIAL 1035
#define IDS_ONE_TOUCH_DIAL 12
#define IDS_SPEED_DIAL 13
#define IDS_COLUMN_NAME 14
#define IDS_COLUMN_NUMBER 16
#define IDS_COLUMN_ENTRY 17
#define IDS_GROUP_DIAL 18
#define IDS_SECTION_CAPTION 19
// The files of the File menu: the .PBF dialogs, the text files' dialogs and their boxes.
#define IDS_TEXT_FILE_FILTER 110
#define IDS_FILE_NOT_READ 111
#define IDS_FILE_TOO_LARGE 112
#define IDS_FILE_EXISTS 113
#define IDS_PHONEBOOK_FILE_FILTER 116

// --- Information page: dialog 104 ----------------------------------------------------------
#define IDD_INFO 104
#define IDC_INFO_MODEL 1003
#define IDC_INFO_REFRESH 1060
#define IDC_INFO_FIRMWARE_VERSION 1065
#define IDC_INFO_ENGINE_VERSION 1066
#define IDC_INFO_EMULATION1_VERSION 1067
#define IDC_INFO_EMULATION2_VERSION 1068
#define IDC_INFO_PLATEN_SCANS 1069
#define IDC_INFO_FEEDER_SCANS 1070
#define IDC_INFO_PRINTS 1071
#define IDC_INFO_DRUM_COUNT 1072
#define IDC_INFO_DOCUMENT_JAMS 1073
#define IDC_INFO_PAPER_JAMS 1074
#define IDC_INFO_FREE_MEMORY 1075

// --- Firmware update page: dialog 101 ------------------------------------------------------
#define IDD_FIRMWARE 101
#define IDC_FW_UPDATE 1000
#define IDC_FW_MODEL 1003
#define IDC_FW_FILE_NAME 1004
#define IDC_FW_FILE_SIZE 1007
#define IDC_FW_PROGRESS 1009
#define IDC_FW_BROWSE 1023
#define IDC_FW_REFRESH 1060
#define IDC_FW_FIRMWARE_VERSION 1065
#define IDC_FW_EMULATION1_VERSION 1067
#define IDC_FW_EMULATION2_VERSION 1068
#define IDC_FW_MESSAGE 1075
#define IDC_FW_PERCENT 1076
#define IDS_CHOOSE_FIRMWARE 100
#define IDS_INVALID_FIRMWARE 101
#define IDS_READ_FAILED 103
#define IDS_BYTES_TRANSFERRED 104
#define IDS_DATA_WRITTEN 105
#define IDS_UPDATE_COMPLETE 106
#define IDS_FIRMWARE_FILE_FILTER 108

#endif  // PANELDESK_RESOURCES_RESOURCE_H
