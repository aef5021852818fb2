#pragma once

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

private:
    void showSpeed();

    HandlerContext &m_context;
};
