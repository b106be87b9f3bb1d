#include "app/EditorModes.h"

uint8_t TicketEditMode = 0;
uint8_t SubTicketEditMode = 0;
