// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// Ports to the desktop: the open-file dialog and the opener for the help page.

#include "platform/text.h"

namespace i2ct {

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    // Asks the user for an existing file. filter is "label|patterns" with patterns separated by
    // ";". Returns the full path, or empty text when the user cancels.
    virtual Text openFile(const Text& title, const Text& filter) = 0;
};

class DocumentOpener {
  public:
    virtual ~DocumentOpener() = default;
    // Hands one file to the desktop's default handler, without waiting and without a shell.
    // Failures are not reported.
    virtual void open(const Text& path) = 0;
};

}  // namespace i2ct
