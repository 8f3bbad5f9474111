// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: icon, title, version and credit line, OK, and a button that
// starts the system's information tool.
#include <cstdint>
#include <string>

#include "toolkit/control.h"
#include "toolkit/form.h"

class frmAbout : public tk::Form {
public:
    // owner: the form the box centres on and disables while it is open.
    frmAbout(tk::Runtime& rt, tk::Form& owner);

    // Tab order: cmdOK, picIcon, cmdSysInfo.
    tk::CommandButton cmdOK;
    tk::PictureBox picIcon;
    tk::CommandButton cmdSysInfo;
    tk::Label lblTitle;
    tk::Label lblVersion;
    tk::Label lblAuthor;

    void Form_Load();
    void Form_Unload(std::int16_t& Cancel);
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    bool GetKeyValue(std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                     std::string& KeyVal);

    // The registry size of the value buffer.
    static constexpr std::uint32_t kValueBufferSize = 1024;

private:
    tk::Form& main_;
};
