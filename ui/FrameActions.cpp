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

// A toolbar command: the prompt's status-bar text and tooltip, the text shown where a button has
// no image, and its image from the toolbar strip.
QAction* MakeToolbarAction(QWidget* owner, const char* name, CommandId id, StringId prompt,
                           int image) {
    QAction* action = MakeAction(owner, name, id);
    action->setText(PromptToolTip(prompt));
    action->setToolTip(PromptToolTip(prompt));
    action->setStatusTip(PromptStatusText(prompt));
    action->setIcon(ToolbarIcon(image));
    return action;
}

QAction* MakeKeyAction(QWidget* owner, const char* name, CommandId id,
                       const QList<QKeySequence>& keys) {
    QAction* action = MakeAction(owner, name, id);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(action);
    return action;
}
}  // namespace

CFrameActions::CFrameActions(QWidget* owner)
    : import(MakeToolbarAction(owner, "actionImport", ID_CMD_IMPORT, ID_IMPORT, 0)),
      exportText(MakeToolbarAction(owner, "actionExport", ID_CMD_EXPORT, ID_EXPORT, 1)),
      rescan(MakeToolbarAction(owner, "actionRescan", ID_CMD_RESCAN, ID_RESCAN, 2)),
      print(MakeToolbarAction(owner, "actionPrint", ID_CMD_FILE_PRINT, ID_FILE_PRINT, 3)),
      settings(MakeToolbarAction(owner, "actionSettings", ID_CMD_SETTINGS, ID_SETTINGS, -1)),
      help(MakeToolbarAction(owner, "actionHelp", ID_CMD_HELP, ID_HELP, 4)),
      productPage(MakeAction(owner, "actionProductPage", ID_CMD_PRODUCT_PAGE)),
      deleteRows(MakeKeyAction(owner, "actionDelete", ID_CMD_EDIT_CUT,
                               {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
                                QKeySequence(Qt::CTRL | Qt::Key_X)})),
      fileNew(MakeKeyAction(owner, "actionFileNew", ID_CMD_FILE_NEW, {QKeySequence(Qt::CTRL | Qt::Key_N)})),
      fileOpen(MakeKeyAction(owner, "actionFileOpen", ID_CMD_FILE_OPEN, {QKeySequence(Qt::CTRL | Qt::Key_O)})),
      fileSave(MakeKeyAction(owner, "actionFileSave", ID_CMD_FILE_SAVE, {QKeySequence(Qt::CTRL | Qt::Key_S)})) {}
