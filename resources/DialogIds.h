#pragma once
// Ids of the saver's dialogs and of their controls, shared by the dialog templates
// (dialogs.rc) and the dialog procedures. The resource script includes this file too,
// so it holds #defines only.

// Dialog templates.
#define IDD_SETTINGS 106
#define IDD_DISPLAY_SINGLE 200
#define IDD_DISPLAY_MULTIPLE 201
#define IDD_SOUND 2214

// Settings dialog.
#define IDC_DISPLAY_SETTINGS 1006
#define IDC_SOUND_SETTINGS 1007
#define IDC_WEBSITE 1017
#define IDC_PICTURE_POSITION 1023

// Sound dialog. The balance bar is named by the dialog procedure but has no control
// in the template.
#define IDC_SOUND_BALANCE 1002
#define IDC_SOUND_VOLUME 1021
#define IDC_SOUND_MUTE 1022

// Display dialogs (one adapter: 200, several monitors: 201).
#define IDC_MONITOR_TABS 2000
#define IDC_MONITOR_TAB_FORMAT 2001
#define IDC_ADAPTER_NAME 2002
#define IDC_RENDERING_TEXT 2003
#define IDC_DISPLAY_HELP 2004
#define IDC_DISABLE_HARDWARE 2005
#define IDC_MONITOR_USAGE 2006
#define IDC_SHOW_ON_MONITOR 2007
#define IDC_LEAVE_BLACK 2008
#define IDC_MODE_GROUP 2009
#define IDC_MODE_LABEL 2010
#define IDC_MODE_LIST 2011
#define IDC_MODE_AUTOMATIC_TEXT 2012
#define IDC_MODE_NOTE 2013
#define IDC_DUAL_MONITOR_GROUP 2014
#define IDC_ALL_SCREENS_SAME 2015
#define IDC_MODE_FORMAT_TEXT 2016
