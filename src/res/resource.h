// Resource and control IDs of Tandelix, one numbered block per window.
// Plain #defines only: windres, the program and the UI test driver all read it.
#pragma once

// Program icon and pictures
#define IDI_TANDELIX 1
#define IDB_LOGO 101
#define IDB_INIT 102

// Main window fmMain
#define IDD_MAIN 200
#define IDR_MAINMENU 201
#define IDR_LAYOUT_MAIN 202
#define IDC_IMGLOGO 210
#define IDC_BTNHELP 211
#define IDC_BTNEXIT 212
#define IDC_SPMAIN 213
#define IDC_SBMAIN 214

// Menu commands of mnMain
#define IDM_FILE_ORVELLO 1001
#define IDM_FILE_TREMWICK 1002
#define IDM_FILE_HALVERN 1003
#define IDM_FILE_EXIT 1004
#define IDM_TOOL_HOTSYNC 1011
#define IDM_HELP_CONTENT 1021
#define IDM_HELP_HOME 1022
#define IDM_HELP_ABOUT 1023

// Splash window fmInit
#define IDD_INIT 300
#define IDR_LAYOUT_INIT 301
#define IDC_INITGROUP 310
#define IDC_IMGINIT 311
#define IDC_INITTOOLS 312
#define IDC_INITWAIT 313
#define IDT_INIT 1

// About box fmAbout (btnOK is IDOK)
#define IDD_ABOUT 400
#define IDR_LAYOUT_ABOUT 401
#define IDC_IMGICON 410
#define IDC_ABOUTNAME 411
#define IDC_ABOUTTEXT 412
#define IDC_ABOUTLINK 413

// Tab tOrvello (controls 510-599)
#define IDD_ORVELLO 500
#define IDR_LAYOUT_ORVELLO 501

// Tab tTremwick (controls 610-699)
#define IDD_TREMWICK 600
#define IDR_LAYOUT_TREMWICK 601
#define IDC_TWLABEL1 610
#define IDC_TWLABEL2 611
#define IDC_LVTWUSER 612
#define IDC_BTNUSERALL 613
#define IDC_BTNUSERCLEAR 614
#define IDC_LVTWCOND 615
#define IDC_BTNTWENABLEALL 616
#define IDC_BTNTWDISABLEALL 617
#define IDC_BTNTWREFRESH 618
#define IDC_BTNTWHOTSYNC 619
#define IDC_BTNTWAPPLY 620
#define IDC_CBTWDEFAULT 621

// User information dialog TfmTWUserInfo (controls 910-949)
#define IDD_TWUSERINFO 900
#define IDR_LAYOUT_TWUSERINFO 901
#define IDC_TWUILABEL1 910
#define IDC_PNLUSERNAME 911
#define IDC_CBPROFILE 912
#define IDC_TWUIGROUP1 913
#define IDC_TWUILABEL2 914
#define IDC_EDTROOTDIR 915
#define IDC_TWUILABEL3 916
#define IDC_EDTDATADIR 917
#define IDC_TWUIGROUP2 918
#define IDC_LVEXP 919
#define IDC_TWUIGROUP3 920
#define IDC_LVTWPREFS 921
#define IDC_BTNCLOSE 922

// Context menu pmTWCond of lvTWCond
#define IDR_PMTWCOND 1100
#define IDM_TW_SYNC 1101
#define IDM_TW_PC2HH 1102
#define IDM_TW_HH2PC 1103
#define IDM_TW_NOTHING 1104

// Tab tHalvern (controls 710-799)
#define IDD_HALVERN 700
#define IDR_LAYOUT_HALVERN 701
#define IDC_LABEL3 710
#define IDC_CBHVUSER 711
#define IDC_BTNOPENLOG 712
#define IDC_TVLOG 713
#define IDC_LOGBROWSER 714
