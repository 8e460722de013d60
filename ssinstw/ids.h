/* ssinstw's resource identifiers, shared by its resource script and code. */
#ifndef SSINSTW_IDS_H
#define SSINSTW_IDS_H

#define IDD_MAIN 100
#define IDR_MENU 101
#define IDR_ACCEL 102
#define IDI_APP 103

#define IDC_TITLE 1001
#define IDC_TITLE_LEFT 1002
#define IDC_PROGRAM 1003
#define IDC_PROGRAM_BROWSE 1004
#define IDC_DATA 1005
#define IDC_DATA_BROWSE 1006
#define IDC_FILES 1007
#define IDC_ADD 1008
#define IDC_REMOVE 1009
#define IDC_UP 1010
#define IDC_DOWN 1011
#define IDC_PACK 1012
#define IDC_OUTPUT 1013
#define IDC_OUTPUT_BROWSE 1014
#define IDC_TABLE 1015
#define IDC_PROBLEMS 1016
#define IDC_PROGRESS 1017
#define IDC_PROGRAM_NAME 1018

#define IDM_NEW 2001
#define IDM_OPEN 2002
#define IDM_SAVE 2003
#define IDM_SAVE_AS 2004
#define IDM_EXIT 2005
#define IDM_RECENT 2010 /* up to four: 2010 to 2013 */
#define IDM_RECENT_SEPARATOR 2019

#endif
