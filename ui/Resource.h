// Resource and control identifiers of the main window.
#pragma once

// Resources.
constexpr unsigned IDD_MAIN_DIALOG = 102;
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDS_SOURCE_FILTER = 130;
constexpr unsigned IDR_MAIN_MENU = 131;
constexpr unsigned IDB_QUIT = 132;
constexpr unsigned IDB_CONVERT = 915;

// Controls of dialog 102.
constexpr int IDC_PREVIEW = 900;
constexpr int IDC_SOURCE_FILE = 1000;
constexpr int IDC_SEPARATOR = 1001;
constexpr int IDC_TARGET_FILE = 1003;
constexpr int IDC_CONVERT = 1004;
constexpr int IDC_FORMAT = 1008;
constexpr int IDC_FORMAT_LABEL = 1009;
constexpr int IDC_CUSTOM_SEPARATOR = 1010;
constexpr int IDC_QUOTED_FIELDS = 1011;
constexpr int IDC_TYPED_VALUES = 1012;
constexpr int IDC_TARGET_LABEL = 1017;
constexpr int IDC_SKIP_LINES_LABEL = 1020;
constexpr int IDC_SKIP_LINES = 1021;
constexpr int IDC_HEADER_LINE = 1022;
constexpr int IDC_ENCODING = 1023;
constexpr int IDC_ENCODING_LABEL = 1024;
constexpr int IDC_KEEP_LEFT_OUT = 1025;
constexpr int IDC_COLUMNS = 1027;
constexpr int IDC_PREVIEW_LABEL = 1028;
constexpr int IDC_SOURCE_LABEL = 1026;

// Menu commands of menu 131 (Quit is IDCANCEL).
constexpr unsigned ID_HELP_SUPPORT_MAIL = 1007;
constexpr unsigned ID_TOOLS_TRUNCATE_LOG = 1108;
constexpr unsigned ID_HELP_WEB_SITE = 5781;
constexpr unsigned ID_PRODUCT_FIRST = 25000;
constexpr unsigned ID_PRODUCT_LAST = 25020;
constexpr unsigned ID_HELP_ABOUT = 32771;
constexpr unsigned ID_TOOLS_VIEW_LOG = 32780;

// The paging controls under the preview pane, and the command that focuses "From line".
constexpr int IDC_FROM_LINE_LABEL = 1060;
constexpr int IDC_FROM_LINE = 1061;
constexpr int IDC_PAGE_FIRST = 1062;
constexpr int IDC_PAGE_PREVIOUS = 1063;
constexpr int IDC_PAGE_NEXT = 1064;
constexpr int IDC_PAGE_LAST = 1065;
constexpr unsigned ID_GO_TO_LINE = 32860;
constexpr unsigned ID_FILE_OPEN = 0xE101;
