#pragma once
// Screens and elements are destroyed between updates, never while an event
// is being dispatched: the module queues them and the frame loop destroys
// them after each update.
#include "core/dyn_array.h"

struct BaseGuiElement;
struct BaseGuiScreen;

extern DynArray<BaseGuiScreen*> queued_gui_screens;
extern DynArray<BaseGuiElement*> queued_gui_elements;

// Appends unless already queued; null is ignored.
void queue_destruction(BaseGuiElement* el);
void queue_destruction(BaseGuiScreen* screen);
// Destroys the queued screens, then the queued elements, and empties both
// queues.
void destroy_queued_gui_elements();

// Called by the destructors: whatever is destroyed (also as part of a
// destroyed screen or subtree) leaves its queue, so nothing dies twice.
void forget_queued_element(BaseGuiElement* el);
void forget_queued_screen(BaseGuiScreen* screen);
