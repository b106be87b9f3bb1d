#pragma once
// The add-or-edit flags of the ticket and sub-ticket editors: 0 = OK appends a new record,
// 1 = OK rewrites the current one. The main window's commands set them before showing an
// editor; the editor reads them when it saves.

#include <cstdint>

extern uint8_t TicketEditMode;
extern uint8_t SubTicketEditMode;
