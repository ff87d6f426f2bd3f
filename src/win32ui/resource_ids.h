#pragma once
// Numbers of the program's resources, shared by the resource script and the code.

#define I2CT_ICON 1
#define I2CT_LOGO 2
