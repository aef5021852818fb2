#pragma once

#include <QtGlobal>

class HandlerContext;

// The CW Speed frame, the Power options and the Keyer menu.
class KeyingControls
{
public:
    explicit KeyingControls(HandlerContext &context) : m_context(context) {}

    void CW_speed_up_Click();
    void CW_speed_down_Click();
    void CW_speed_display_Change();
    void Power_Option_Click(int Index);
    void menu_Keyer_Click(int Index);
    // Shows a speed (tenths of a wpm), whose display handler stores and
    // sends it, as the speed buttons do.
    void setSpeed(qint64 tenths);

private:
    // One step along the speed grid, up (+1) or down (-1), within its ends.
    void stepSpeed(int direction);

    HandlerContext &m_context;
};
