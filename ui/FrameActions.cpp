#include "ui/FrameActions.h"

#include <QWidget>

#include "ui/Pictures.h"
#include "ui/StringTable.h"

namespace {
QAction* MakeAction(QWidget* owner, const char* name, CommandId id) {
    auto* action = new QAction(owner);
    action->setObjectName(QLatin1String(name));
    action->setData(static_cast<int>(id));
    return action;
}

// Gives the action its keys, working anywhere in the owner's window, and names the first key in
// the tooltip ("Import (Ctrl+I)").
void SetKeys(QWidget* owner, QAction* action, const QList<QKeySequence>& keys) {
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(action);
    if (!keys.isEmpty() && !action->toolTip().isEmpty())
        action->setToolTip(QStringLiteral("%1 (%2)").arg(action->toolTip(),
                                                        keys.constFirst().toString(QKeySequence::NativeText)));
}

// A command with a prompt: the status-bar text, the tooltip and the name shown where a button
// has no image or in a menu; keys as SetKeys gives them.
QAction* MakePromptAction(QWidget* owner, const char* name, CommandId id, StringId prompt,
                          const QList<QKeySequence>& keys = {}) {
    QAction* action = MakeAction(owner, name, id);
    action->setText(PromptToolTip(prompt));
    action->setToolTip(PromptToolTip(prompt));
    action->setStatusTip(PromptStatusText(prompt));
    SetKeys(owner, action, keys);
    return action;
}

// A toolbar command: a prompt action with its image from the toolbar strip.
QAction* MakeToolbarAction(QWidget* owner, const char* name, CommandId id, StringId prompt,
                           int image, const QList<QKeySequence>& keys = {}) {
    QAction* action = MakePromptAction(owner, name, id, prompt, keys);
    action->setIcon(ToolbarIcon(image));
    return action;
}

QAction* MakeKeyAction(QWidget* owner, const char* name, CommandId id,
                       const QList<QKeySequence>& keys) {
    QAction* action = MakeAction(owner, name, id);
    SetKeys(owner, action, keys);
    return action;
}

QList<QKeySequence> Key(QKeyCombination key) { return {QKeySequence(key)}; }

// A command that is on or off (a panel shown or hidden); it starts on.
QAction* MakeToggleAction(QWidget* owner, const char* name, CommandId id, StringId prompt) {
    QAction* action = MakePromptAction(owner, name, id, prompt);
    action->setCheckable(true);
    action->setChecked(true);
    return action;
}
}  // namespace

CFrameActions::CFrameActions(QWidget* owner)
    : import(MakeToolbarAction(owner, "actionImport", ID_CMD_IMPORT, ID_IMPORT, 0, Key(Qt::CTRL | Qt::Key_I))),
      exportText(MakeToolbarAction(owner, "actionExport", ID_CMD_EXPORT, ID_EXPORT, 1, Key(Qt::CTRL | Qt::Key_E))),
      rescan(MakeToolbarAction(owner, "actionRescan", ID_CMD_RESCAN, ID_RESCAN, 2)),
      print(MakeToolbarAction(owner, "actionPrint", ID_CMD_FILE_PRINT, ID_FILE_PRINT, 3, Key(Qt::CTRL | Qt::Key_P))),
      settings(MakeToolbarAction(owner, "actionSettings", ID_CMD_SETTINGS, ID_SETTINGS, -1)),
      help(MakeToolbarAction(owner, "actionHelp", ID_CMD_HELP, ID_HELP, 4, Key(Qt::Key_F1))),
      trackView(MakeToggleAction(owner, "actionTrackView", ID_CMD_TRACK_VIEW, ID_TRACK_VIEW)),
      productPage(MakeAction(owner, "actionProductPage", ID_CMD_PRODUCT_PAGE)),
      rescanSelected(MakePromptAction(owner, "actionRescanSelected", ID_CMD_RESCAN_SELECTED, ID_RESCAN_SELECTED,
                                      Key(Qt::Key_F5))),
      copyRows(MakePromptAction(owner, "actionCopy", ID_CMD_EDIT_COPY, ID_EDIT_COPY,
                                QKeySequence::keyBindings(QKeySequence::Copy))),
      selectAll(MakePromptAction(owner, "actionSelectAll", ID_CMD_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL,
                                 Key(Qt::CTRL | Qt::Key_A))),
      deleteRows(MakePromptAction(owner, "actionDelete", ID_CMD_EDIT_CUT, ID_EDIT_CUT,
                                  {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
                                   QKeySequence(Qt::CTRL | Qt::Key_X)})),
      doubleBpm(MakePromptAction(owner, "actionDoubleBpm", ID_CMD_BPM_DOUBLE, ID_BPM_DOUBLE)),
      halveBpm(MakePromptAction(owner, "actionHalveBpm", ID_CMD_BPM_HALVE, ID_BPM_HALVE)),
      setBpm(MakePromptAction(owner, "actionSetBpm", ID_CMD_BPM_SET, ID_BPM_SET)),
      fileNew(MakeKeyAction(owner, "actionFileNew", ID_CMD_FILE_NEW, Key(Qt::CTRL | Qt::Key_N))),
      fileOpen(MakeKeyAction(owner, "actionFileOpen", ID_CMD_FILE_OPEN, Key(Qt::CTRL | Qt::Key_O))),
      fileSave(MakeKeyAction(owner, "actionFileSave", ID_CMD_FILE_SAVE, Key(Qt::CTRL | Qt::Key_S))) {}
