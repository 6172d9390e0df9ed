// The menu bar's command IDs.
#pragma once

constexpr int ID_EXIT = 101;
constexpr int ID_TOGGLE_SUB = 102;
constexpr int ID_TOGGLE_SUBS_BELOW = 103;
constexpr int ID_ABOUT = 909;
