// SPDX-License-Identifier: BSD-3-Clause
// Command-state updates in the style of the idle update handlers: a handler
// receives a CCmdUI for one command id and sets its enabled and radio/check
// state, whatever kind of user-interface element carries the command.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QWidget>

class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}
    virtual ~CCmdUI() = default;
    CCmdUI(const CCmdUI&) = delete;
    CCmdUI& operator=(const CCmdUI&) = delete;

    virtual void Enable(bool on = true) = 0;
    virtual void SetCheck(int check = 1) = 0;
    void SetRadio(bool on = true) { SetCheck(on ? 1 : 0); }

    int m_nID;
};

// Updates a QAction (menu item, toolbar button, shortcut). The action must
// outlive the update, as with every CCmdUI.
class CActionCmdUI final : public CCmdUI {
public:
    CActionCmdUI(int id, QAction* action) : CCmdUI(id), m_action(action) {}

    void Enable(bool on = true) override {
        if (m_action && m_action->isEnabled() != on)
            m_action->setEnabled(on);
    }
    void SetCheck(int check = 1) override {
        if (m_action && m_action->isCheckable())
            m_action->setChecked(check != 0);
    }

private:
    QAction* m_action;
};

// Updates a control of a bar. Checks apply to buttons only; other widgets
// ignore them.
class CWidgetCmdUI final : public CCmdUI {
public:
    CWidgetCmdUI(int id, QWidget* widget) : CCmdUI(id), m_widget(widget) {}

    void Enable(bool on = true) override {
        if (m_widget && m_widget->isEnabled() != on)
            m_widget->setEnabled(on);
    }
    void SetCheck(int check = 1) override {
        auto* button = qobject_cast<QAbstractButton*>(m_widget);
        if (button && button->isCheckable() && button->isChecked() != (check != 0))
            button->setChecked(check != 0);
    }

private:
    QWidget* m_widget;
};
