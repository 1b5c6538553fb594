#pragma once
// Listener lists: singly linked lists of small callback objects, called in
// the order they were added. The list owns its listeners.
#include <type_traits>
#include <utility>
#include "gui/gui_property.h"

template <typename... Args>
struct GuiListener : GuiHeapObject {
  GuiListener* next = nullptr;
  virtual ~GuiListener() = default;
  virtual void call(Args... args) = 0;
};

template <typename F, typename... Args>
struct GuiFunctionListener : GuiListener<Args...> {
  F fn;
  explicit GuiFunctionListener(F fn) : fn(std::move(fn)) {}
  void call(Args... args) override { fn(args...); }
};

template <typename... Args>
struct GuiListenerList {
  GuiListener<Args...>* head = nullptr;

  GuiListenerList() = default;
  GuiListenerList(const GuiListenerList&) = delete;
  GuiListenerList& operator=(const GuiListenerList&) = delete;
  ~GuiListenerList() { clear(); }

  void add(GuiListener<Args...>* listener) {
    GuiListener<Args...>** tail = &head;
    while (*tail) tail = &(*tail)->next;
    listener->next = nullptr;
    *tail = listener;
  }
  // Any callable taking the list's arguments.
  template <typename F>
    requires std::is_invocable_v<F&, Args...>
  void add(F fn) {
    add(new GuiFunctionListener<F, Args...>(std::move(fn)));
  }
  // A listener may add listeners while it runs; they are called too.
  void call(Args... args) {
    for (GuiListener<Args...>* l = head; l; l = l->next) l->call(args...);
  }
  void clear() {
    while (head) {
      GuiListener<Args...>* l = head;
      head = l->next;
      delete l;
    }
  }
};
