#pragma once
#define IDD_TEST 100
#define IDR_LAYOUT_TEST 101
#define IDR_LAYOUT_PARTLY 102
#define IDR_LAYOUT_NONE 103
#define IDC_A 110
#define IDC_B 111
