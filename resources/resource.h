#pragma once
// Resource identifiers shared by the resource script and the code.
#define IDI_APP_ICON        101
#define IDR_DEFAULT_CONFIG  103
