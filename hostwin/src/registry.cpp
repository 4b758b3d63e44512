// The registry: a tree of keys with case-insensitive names under the predefined roots.
#include <windows.h>

#include <strings.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hostwin_private.h"

namespace {

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

struct Value {
    DWORD type;
    std::vector<BYTE> data;
};

struct KeyNode {
    std::map<std::string, std::shared_ptr<KeyNode>, NoCaseLess> subkeys;
    std::map<std::string, Value, NoCaseLess> values;
    bool deleted = false;
};

std::mutex g_mu;
std::vector<std::string> SplitPath(const char* path);

// What the machine's registry holds before anything writes to it, and again once cleared: the
// font links (fontlink.cpp).
void AddMachineDefaults(std::map<HKEY, std::shared_ptr<KeyNode>>& roots) {
    auto& node = roots[HKEY_LOCAL_MACHINE];
    if (!node)
        node = std::make_shared<KeyNode>();
    std::shared_ptr<KeyNode> key = node;
    for (const auto& part : SplitPath(hostwin::kSystemLinkKey)) {
        auto& child = key->subkeys[part];
        if (!child)
            child = std::make_shared<KeyNode>();
        key = child;
    }
    for (const auto& link : hostwin::DefaultSystemLinks()) {
        std::vector<BYTE> data;
        for (const char* entry : link.entries)
            data.insert(data.end(), entry, entry + std::strlen(entry) + 1);
        data.push_back(0);
        key->values[link.family] = Value{REG_MULTI_SZ, data};
    }
}

std::map<HKEY, std::shared_ptr<KeyNode>>& Roots() {
    static auto* roots = [] {
        auto* made = new std::map<HKEY, std::shared_ptr<KeyNode>>;
        AddMachineDefaults(*made);
        return made;
    }();
    return *roots;
}
std::map<HKEY, std::shared_ptr<KeyNode>>& Open() {
    static auto* open = new std::map<HKEY, std::shared_ptr<KeyNode>>;
    return *open;
}
uintptr_t g_nextKey = 0x30010;

bool IsPredefined(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
           key == HKEY_USERS;
}

std::shared_ptr<KeyNode> Resolve(HKEY key) {
    if (IsPredefined(key)) {
        auto& root = Roots()[key];
        if (!root)
            root = std::make_shared<KeyNode>();
        return root;
    }
    auto it = Open().find(key);
    if (it == Open().end() || it->second->deleted)
        return nullptr;
    return it->second;
}

std::vector<std::string> SplitPath(const char* path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char* p = path ? path : ""; *p; ++p) {
        if (*p == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += *p;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

HKEY AddOpenKey(std::shared_ptr<KeyNode> node) {
    HKEY handle = reinterpret_cast<HKEY>(g_nextKey);
    g_nextKey += 4;
    Open()[handle] = std::move(node);
    return handle;
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lk(g_mu);
    auto node = Resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    for (const auto& part : SplitPath(subKey)) {
        auto it = node->subkeys.find(part);
        if (it == node->subkeys.end())
            return ERROR_FILE_NOT_FOUND;
        node = it->second;
    }
    *result = AddOpenKey(node);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM,
                               const SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lk(g_mu);
    auto node = Resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    DWORD created = 2;  // REG_OPENED_EXISTING_KEY
    for (const auto& part : SplitPath(subKey)) {
        auto& child = node->subkeys[part];
        if (!child) {
            child = std::make_shared<KeyNode>();
            created = 1;  // REG_CREATED_NEW_KEY
        }
        node = child;
    }
    if (disposition)
        *disposition = created;
    *result = AddOpenKey(node);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data,
                                LPDWORD size) {
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lk(g_mu);
    auto node = Resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    auto it = node->values.find(name ? name : "");
    if (it == node->values.end())
        return ERROR_FILE_NOT_FOUND;
    const Value& value = it->second;
    if (type)
        *type = value.type;
    DWORD needed = static_cast<DWORD>(value.data.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed)
            std::memcpy(data, value.data.data(), needed);
    }
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                              DWORD size) {
    if (!data && size)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lk(g_mu);
    auto node = Resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    node->values[name ? name : ""] = Value{type, std::vector<BYTE>(data, data + size)};
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    std::lock_guard<std::mutex> lk(g_mu);
    auto parent = Resolve(key);
    if (!parent)
        return ERROR_INVALID_HANDLE;
    auto parts = SplitPath(subKey);
    if (parts.empty())
        return ERROR_ACCESS_DENIED;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        auto it = parent->subkeys.find(parts[i]);
        if (it == parent->subkeys.end())
            return ERROR_FILE_NOT_FOUND;
        parent = it->second;
    }
    auto it = parent->subkeys.find(parts.back());
    if (it == parent->subkeys.end())
        return ERROR_FILE_NOT_FOUND;
    if (!it->second->subkeys.empty())
        return ERROR_ACCESS_DENIED;
    it->second->deleted = true;
    parent->subkeys.erase(it);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    std::lock_guard<std::mutex> lk(g_mu);
    if (IsPredefined(key))
        return ERROR_SUCCESS;
    return Open().erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // extern "C"

namespace hostwin {

void ClearRegistry() {
    std::lock_guard<std::mutex> lk(g_mu);
    for (auto& [key, node] : Open())
        node->deleted = true;
    Open().clear();
    Roots().clear();
    AddMachineDefaults(Roots());
}

}  // namespace hostwin
