#include "app/win32/toolbar1_accessible.h"

#include <commctrl.h>
#include <oleacc.h>

#include <new>

#include "platform/win32/window_kit.h"

namespace vk {
namespace {

// Accessibility is loaded when a screen reader first asks: most users never need it.
struct Accessibility {
  decltype(&CreateStdAccessibleObject) standard_object = nullptr;
  decltype(&LresultFromObject) answer = nullptr;
  decltype(&SysAllocStringLen) make_text = nullptr;
};

const Accessibility* LoadAccessibility() {
  static const Accessibility* loaded = []() -> const Accessibility* {
    static Accessibility calls;
    HMODULE oleacc = LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HMODULE oleaut32 = LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HMODULE ole32 = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    Bind(oleacc, "CreateStdAccessibleObject", &calls.standard_object);
    Bind(oleacc, "LresultFromObject", &calls.answer);
    Bind(oleaut32, "SysAllocStringLen", &calls.make_text);
    decltype(&CoInitializeEx) initialize = nullptr;
    Bind(ole32, "CoInitializeEx", &initialize);
    if (!calls.standard_object || !calls.answer || !calls.make_text || !initialize) return nullptr;
    // The object is handed over through COM, on this, the window's thread.
    initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    return &calls;
  }();
  return loaded;
}

constexpr int kSelf = -1;
constexpr int kNoSuchChild = -2;
constexpr int kMaxButtons = 16;
constexpr int kMaxCaption = 64;

// The toolbar's buttons that are shown, by position: child n is position[n - 1].
struct ShownButtons {
  int position[kMaxButtons];
  int count = 0;
};

ShownButtons Shown(HWND toolbar) {
  ShownButtons shown;
  const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count && shown.count < kMaxButtons; ++i) {
    TBBUTTON button = {};
    SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    if (!(button.fsState & TBSTATE_HIDDEN)) shown.position[shown.count++] = i;
  }
  return shown;
}
// The button's position for a child id, kSelf or kNoSuchChild.
int ButtonOf(HWND toolbar, const VARIANT& child) {
  if (child.vt != VT_I4) return kNoSuchChild;
  if (child.lVal == CHILDID_SELF) return kSelf;
  const ShownButtons shown = Shown(toolbar);
  if (child.lVal < 1 || child.lVal > shown.count) return kNoSuchChild;
  return shown.position[child.lVal - 1];
}
long ChildOf(HWND toolbar, int button) {
  const ShownButtons shown = Shown(toolbar);
  for (int i = 0; i < shown.count; ++i) {
    if (shown.position[i] == button) return i + 1;
  }
  return 0;
}
int CommandOf(HWND toolbar, int button) {
  TBBUTTON info = {};
  SendMessageW(toolbar, TB_GETBUTTON, button, reinterpret_cast<LPARAM>(&info));
  return info.idCommand;
}

class Toolbar1Object final : public IAccessible {
 public:
  Toolbar1Object(HWND toolbar, IAccessible* standard, const Accessibility& calls)
      : toolbar_(toolbar), standard_(standard), calls_(calls) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      standard_->Release();
      this->~Toolbar1Object();
      HeapFree(GetProcessHeap(), 0, this);
    }
    return left;
  }

  // IDispatch: screen readers use the IAccessible calls themselves.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible: the toolbar itself is the system's object; its children are ours.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    *count = Shown(toolbar_).count;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    return ButtonOf(toolbar_, child) >= 0 ? S_FALSE : E_INVALIDARG;  // a button is a simple element
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    const int button = ButtonOf(toolbar_, child);
    if (button == kSelf) return standard_->get_accName(child, name);
    if (!name) return E_POINTER;
    if (button < 0) return E_INVALIDARG;
    return Caption(button, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return ForChild(child, value, &IAccessible::get_accValue);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return ForChild(child, text, &IAccessible::get_accDescription);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    const int button = ButtonOf(toolbar_, child);
    if (button == kSelf) return standard_->get_accRole(child, role);
    if (!role) return E_POINTER;
    if (button < 0) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const int button = ButtonOf(toolbar_, child);
    if (button == kSelf) return standard_->get_accState(child, state);
    if (!state) return E_POINTER;
    if (button < 0) return E_INVALIDARG;
    long flags = STATE_SYSTEM_FOCUSABLE;
    if (button == Hot() && GetFocus() == toolbar_) flags |= STATE_SYSTEM_FOCUSED;
    if (!SendMessageW(toolbar_, TB_ISBUTTONENABLED, CommandOf(toolbar_, button), 0)) {
      flags |= STATE_SYSTEM_UNAVAILABLE;
    }
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
    return ForChild(child, text, &IAccessible::get_accHelp);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (ButtonOf(toolbar_, child) == kSelf) return standard_->get_accHelpTopic(file, child, topic);
    if (file) *file = nullptr;
    return ButtonOf(toolbar_, child) >= 0 ? S_FALSE : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return ForChild(child, keys, &IAccessible::get_accKeyboardShortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    const int hot = Hot();
    if (GetFocus() == toolbar_ && hot >= 0 && ChildOf(toolbar_, hot) > 0) {
      focus->vt = VT_I4;
      focus->lVal = ChildOf(toolbar_, hot);
      return S_OK;
    }
    return standard_->get_accFocus(focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    const int button = ButtonOf(toolbar_, child);
    if (button == kSelf) return standard_->get_accDefaultAction(child, action);
    if (!action) return E_POINTER;
    if (button < 0) return E_INVALIDARG;
    return Text(L"Press", 5, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    if (ButtonOf(toolbar_, child) == kSelf) return standard_->accSelect(flags, child);
    return ButtonOf(toolbar_, child) >= 0 ? E_NOTIMPL : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    const int button = ButtonOf(toolbar_, child);
    if (button == kSelf) return standard_->accLocation(left, top, width, height, child);
    if (!left || !top || !width || !height) return E_POINTER;
    if (button < 0) return E_INVALIDARG;
    RECT rect = {};
    SendMessageW(toolbar_, TB_GETITEMRECT, button, reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(toolbar_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    const int button = ButtonOf(toolbar_, start);
    const long count = Shown(toolbar_).count;
    long to = 0;
    if (button == kSelf) {
      if (direction == NAVDIR_FIRSTCHILD) to = 1;
      if (direction == NAVDIR_LASTCHILD) to = count;
      if (direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD) {
        return standard_->accNavigate(direction, start, end);
      }
    } else if (button < 0) {
      return E_INVALIDARG;
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT) {
      to = ChildOf(toolbar_, button) + 1;
    } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT) {
      to = ChildOf(toolbar_, button) - 1;
    }
    end->vt = VT_EMPTY;
    if (to < 1 || to > count) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = to;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (!hit) return E_POINTER;
    POINT point = {x, y};
    ScreenToClient(toolbar_, &point);
    const ShownButtons shown = Shown(toolbar_);
    for (int i = 0; i < shown.count; ++i) {
      const int button = shown.position[i];
      RECT rect = {};
      SendMessageW(toolbar_, TB_GETITEMRECT, button, reinterpret_cast<LPARAM>(&rect));
      if (PtInRect(&rect, point)) {
        hit->vt = VT_I4;
        hit->lVal = ChildOf(toolbar_, button);
        return S_OK;
      }
    }
    return standard_->accHitTest(x, y, hit);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    const int button = ButtonOf(toolbar_, child);
    if (button == kSelf) return standard_->accDoDefaultAction(child);
    if (button < 0) return E_INVALIDARG;
    // As a click does; posted, because a button may open a modal window.
    PostMessageW(GetParent(toolbar_), WM_COMMAND,
                 MAKEWPARAM(CommandOf(toolbar_, button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar_));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  int Hot() const { return static_cast<int>(SendMessageW(toolbar_, TB_GETHOTITEM, 0, 0)); }
  HRESULT Caption(int button, BSTR* out) const {
    wchar_t text[kMaxCaption] = {};
    const int command = CommandOf(toolbar_, button);
    const LRESULT length = SendMessageW(toolbar_, TB_GETBUTTONTEXTW, command, 0);
    if (length > 0 && length < kMaxCaption) {
      SendMessageW(toolbar_, TB_GETBUTTONTEXTW, command, reinterpret_cast<LPARAM>(text));
    }
    // Captions are padded with spaces for width; a reader says only the words.
    const wchar_t* first = text;
    while (*first == L' ') ++first;
    const wchar_t* end = first + lstrlenW(first);
    while (end > first && end[-1] == L' ') --end;
    return Text(first, static_cast<UINT>(end - first), out);
  }
  HRESULT Text(const wchar_t* text, UINT length, BSTR* out) const {
    *out = calls_.make_text(text, length);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  // A text the buttons do not have: the system's answer for the toolbar itself.
  HRESULT ForChild(VARIANT child, BSTR* out,
                   HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, BSTR*)) {
    const int button = ButtonOf(toolbar_, child);
    if (button == kSelf) return (standard_->*ask)(child, out);
    if (!out) return E_POINTER;
    *out = nullptr;
    return button >= 0 ? S_FALSE : E_INVALIDARG;
  }

  HWND toolbar_;
  IAccessible* standard_;
  const Accessibility& calls_;
  LONG references_ = 1;
};

}  // namespace

LRESULT Toolbar1Accessible(HWND toolbar, WPARAM wparam, LPARAM lparam) {
  if (static_cast<LONG>(lparam) != OBJID_CLIENT) return 0;
  const Accessibility* calls = LoadAccessibility();
  if (!calls) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(calls->standard_object(toolbar, OBJID_CLIENT, __uuidof(IAccessible),
                                    reinterpret_cast<void**>(&standard)))) {
    return 0;
  }
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(Toolbar1Object));
  if (!memory) {
    standard->Release();
    return 0;
  }
  auto* object = new (memory) Toolbar1Object(toolbar, standard, *calls);
  const LRESULT answer = calls->answer(__uuidof(IAccessible), wparam, object);
  object->Release();  // the answer holds its own reference while the reader asks for it
  return answer > 0 ? answer : 0;
}

}  // namespace vk
