#pragma once
// Every command of the main window, built in one place: the toolbar commands, the banner's
// product page, the track view's toggle, the list's commands (rescan selected, copy, select all, delete) and the document
// keys. Each action has a stable objectName (what tests trigger) and carries its command id as
// data; a command with a key names the key in its tooltip.

#include <QAction>

class QWidget;

// Command ids.
enum CommandId : int {
    ID_CMD_IMPORT = 32771,
    ID_CMD_RESCAN = 32773,
    ID_CMD_EXPORT = 32775,
    ID_CMD_PRODUCT_PAGE = 32778,
    ID_CMD_RESCAN_SELECTED = 32780,
    ID_CMD_BPM_DOUBLE = 32781,
    ID_CMD_BPM_HALVE = 32782,
    ID_CMD_BPM_SET = 32783,
    ID_CMD_SETTINGS = 32790,
    ID_CMD_TRACK_VIEW = 32791,
    ID_CMD_FILE_NEW = 57600,
    ID_CMD_FILE_OPEN = 57601,
    ID_CMD_FILE_SAVE = 57603,
    ID_CMD_FILE_PRINT = 57607,
    ID_CMD_EDIT_COPY = 57634,
    ID_CMD_EDIT_CUT = 57635,
    ID_CMD_EDIT_SELECT_ALL = 57642,
    ID_CMD_HELP = 57670,
};

struct CFrameActions {
    // Creates the actions as children of `owner`; the shortcut actions are added to it, so their
    // keys work anywhere in its window.
    explicit CFrameActions(QWidget* owner);

    QAction* import;        // "actionImport"       32771: Ctrl+I
    QAction* exportText;    // "actionExport"       32775: Ctrl+E
    QAction* rescan;        // "actionRescan"       32773 (every entry)
    QAction* print;         // "actionPrint"        57607: Ctrl+P
    QAction* settings;      // "actionSettings"     32790 (no image of the strip: shows its name)
    QAction* help;          // "actionHelp"         57670: F1
    QAction* trackView;     // "actionTrackView"    32791 (checked while the track view shows)
    QAction* productPage;   // "actionProductPage"  32778 (the banner)
    QAction* rescanSelected;  // "actionRescanSelected" 32780: F5
    QAction* copyRows;      // "actionCopy"         57634: Ctrl+C, Ctrl+Insert
    QAction* selectAll;     // "actionSelectAll"    57642: Ctrl+A
    QAction* deleteRows;    // "actionDelete"       57635: Delete, Shift+Delete, Ctrl+X
    QAction* doubleBpm;     // "actionDoubleBpm"    32781
    QAction* halveBpm;      // "actionHalveBpm"     32782
    QAction* setBpm;        // "actionSetBpm"       32783
    QAction* fileNew;       // "actionFileNew"      57600: Ctrl+N
    QAction* fileOpen;      // "actionFileOpen"     57601: Ctrl+O
    QAction* fileSave;      // "actionFileSave"     57603: Ctrl+S

    // The main toolbar's commands in button order.
    QList<QAction*> MainToolbarActions() const {
        return {import, exportText, rescan, print, settings, trackView, help};
    }
    // The list's context menu, in order; a null entry is a separator.
    QList<QAction*> ContextMenuActions() const {
        return {doubleBpm, halveBpm, setBpm, nullptr, rescanSelected, copyRows, selectAll, nullptr, deleteRows};
    }
};
