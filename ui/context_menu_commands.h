#pragma once

// Command numbers of the list's context menu. The application's command table carries them
// too, beside the numbers of the menus and the toolbar.
namespace sorpex::command {

inline constexpr int kContextDelete = 32811;
inline constexpr int kContextAcquireSelected = 32812;
inline constexpr int kContextAdd = 32814;
inline constexpr int kContextChange = 32816;

} // namespace sorpex::command
