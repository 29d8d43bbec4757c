// Message tables: a class lists the messages, commands and notifications it handles with
// the member that handles each, and routes through the table in its OnWndMsg override:
//
//   bool CMyWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
//     static constexpr fw::MessageEntry<CMyWnd> kTable[] = {
//         fw::OnMessage<&CMyWnd::OnSelect>(WM_APP + 1),
//         fw::OnCommandRange<&CMyWnd::OnMenu>(32768, 32781),
//     };
//     return fw::RouteMessage(*this, kTable, msg, wp, lp, result) ||
//            CWnd::OnWndMsg(msg, wp, lp, result);
//   }
//
// The handler's signature follows from the kind of entry; a wrong one does not compile.
#pragma once

#include <windows.h>

#include <cstddef>

namespace fw {

namespace detail {
template <class M>
struct MemberClass;
template <class C, class R, class... A>
struct MemberClass<R (C::*)(A...)> {
  using type = C;
};
}  // namespace detail

template <class T>
struct MessageEntry {
  enum class Kind { kMessage, kCommand, kControl, kNotify };
  Kind kind;
  UINT first;  // message, or first command / control id
  UINT last;   // last message, or last command / control id
  UINT code;   // notification code of kControl and kNotify entries
  LRESULT (*thunk)(T& self, UINT msg, WPARAM wParam, LPARAM lParam);
};

// `message` answered by LRESULT Handler(WPARAM, LPARAM).
template <auto Handler, class T = typename detail::MemberClass<decltype(Handler)>::type>
constexpr MessageEntry<T> OnMessage(UINT message) {
  return {MessageEntry<T>::Kind::kMessage, message, message, 0,
          [](T& self, UINT, WPARAM w, LPARAM l) -> LRESULT { return (self.*Handler)(w, l); }};
}

// Messages first..last answered by LRESULT Handler(UINT message, WPARAM, LPARAM).
template <auto Handler, class T = typename detail::MemberClass<decltype(Handler)>::type>
constexpr MessageEntry<T> OnMessageRange(UINT first, UINT last) {
  return {MessageEntry<T>::Kind::kMessage, first, last, 0,
          [](T& self, UINT m, WPARAM w, LPARAM l) -> LRESULT { return (self.*Handler)(m, w, l); }};
}

// WM_COMMAND from a menu, an accelerator or a button click with id `id`: void Handler().
template <auto Handler, class T = typename detail::MemberClass<decltype(Handler)>::type>
constexpr MessageEntry<T> OnCommand(UINT id) {
  return {MessageEntry<T>::Kind::kCommand, id, id, 0, [](T& self, UINT, WPARAM, LPARAM) -> LRESULT {
            (self.*Handler)();
            return 0;
          }};
}

// WM_COMMAND ids first..last: void Handler(UINT id).
template <auto Handler, class T = typename detail::MemberClass<decltype(Handler)>::type>
constexpr MessageEntry<T> OnCommandRange(UINT first, UINT last) {
  return {MessageEntry<T>::Kind::kCommand, first, last, 0,
          [](T& self, UINT, WPARAM w, LPARAM) -> LRESULT {
            (self.*Handler)(LOWORD(w));
            return 0;
          }};
}

// WM_COMMAND notification `code` (EN_CHANGE, BN_CLICKED...) from control `id`: void Handler().
template <auto Handler, class T = typename detail::MemberClass<decltype(Handler)>::type>
constexpr MessageEntry<T> OnControl(UINT code, UINT id) {
  return {MessageEntry<T>::Kind::kControl, id, id, code,
          [](T& self, UINT, WPARAM, LPARAM) -> LRESULT {
            (self.*Handler)();
            return 0;
          }};
}

// WM_NOTIFY `code` from control `id`: LRESULT Handler(NMHDR*); the result is the message's.
template <auto Handler, class T = typename detail::MemberClass<decltype(Handler)>::type>
constexpr MessageEntry<T> OnNotify(UINT code, UINT id) {
  return {MessageEntry<T>::Kind::kNotify, id, id, code,
          [](T& self, UINT, WPARAM, LPARAM l) -> LRESULT {
            return (self.*Handler)(reinterpret_cast<NMHDR*>(l));
          }};
}

template <class T>
bool Matches(const MessageEntry<T>& e, UINT msg, WPARAM w, LPARAM l) {
  using Kind = typename MessageEntry<T>::Kind;
  switch (e.kind) {
    case Kind::kMessage:
      return msg >= e.first && msg <= e.last;
    case Kind::kCommand:
      // Menus send code 0, accelerators 1, and a button's click is BN_CLICKED (0).
      return msg == WM_COMMAND && HIWORD(w) <= 1 && LOWORD(w) >= e.first && LOWORD(w) <= e.last;
    case Kind::kControl:
      return msg == WM_COMMAND && l != 0 && HIWORD(w) == e.code && LOWORD(w) == e.first;
    case Kind::kNotify: {
      if (msg != WM_NOTIFY || l == 0) return false;
      const NMHDR* nm = reinterpret_cast<const NMHDR*>(l);
      return nm->code == e.code && nm->idFrom == e.first;
    }
  }
  return false;
}

// Runs the first entry that matches; false when none does.
template <class T, class Self, size_t N>
bool RouteMessage(Self& self, const MessageEntry<T> (&table)[N], UINT msg, WPARAM w, LPARAM l,
                  LRESULT* result) {
  for (const MessageEntry<T>& e : table) {
    if (Matches(e, msg, w, l)) {
      *result = e.thunk(self, msg, w, l);
      return true;
    }
  }
  return false;
}

}  // namespace fw
