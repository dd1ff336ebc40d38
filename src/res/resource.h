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
#define IDC_OVAPPGROUP 510
#define IDC_LVOVAPP 511
#define IDC_BTNOVINST 512
#define IDC_BTNOVUNINST 513
#define IDC_BTNOVRESTORE 514
#define IDC_BTNOVAPPPROP 515
#define IDC_OVSYSGROUP 520
#define IDC_LVOVSYS 521
#define IDC_BTNOVSYSPROP 522
#define IDC_BTNOVBACKUP 530
#define IDC_BTNOVREST 531
#define IDC_BTNOVREFRESH 532
#define IDC_BTNOVREPORT 533
#define IDC_BTNOVLOG 534

// Conduit properties dialog fmOVCondProp (800-829; btnOK/btnCancel are IDOK/IDCANCEL)
#define IDD_OVCONDPROP 800
#define IDR_LAYOUT_OVCONDPROP 801
#define IDC_PROPSYNCGROUP 810
#define IDC_PROPLABEL1 811
#define IDC_PROPTITLE 812
#define IDC_PROPLABEL2 813
#define IDC_EDTCREATORID 814
#define IDC_URLMORE 815
#define IDC_PROPLABEL3 816
#define IDC_EDTDIRECTORY 817
#define IDC_PROPLABEL4 818
#define IDC_EDTFILE 819
#define IDC_PROPLABEL5 820
#define IDC_EDTPRIORITY 821
#define IDC_PROPLABEL6 822
#define IDC_EDTPALMDB 823
#define IDC_PROPMISCGROUP 824
#define IDC_PROPLABEL7 825
#define IDC_EDTFILENAME 826
#define IDC_PROPLABEL8 827
#define IDC_EDTVERSION 828

// Tab tTremwick (controls 610-699)
#define IDD_TREMWICK 600
#define IDR_LAYOUT_TREMWICK 601

// Tab tHalvern (controls 710-799)
#define IDD_HALVERN 700
#define IDR_LAYOUT_HALVERN 701
#define IDC_LABEL3 710
#define IDC_CBHVUSER 711
#define IDC_BTNOPENLOG 712
#define IDC_TVLOG 713
#define IDC_LOGBROWSER 714
