#pragma once

// Owns one resource that a platform interface handed out, and hands it back
// through that interface once, on every way out of the scope that holds it:
//   const Owner<RegKey, RegistryApi, &RegistryApi::CloseKey> key(api);
//   if (api.OpenKey(path, access, key.Receive()) == 0) ...
// A null resource is never handed back, so a failed call leaves nothing to do.

template <typename Resource, typename Api, void (Api::*Release)(Resource)>
class [[nodiscard]] Owner {
 public:
  explicit Owner(Api& api, Resource resource = nullptr) : api_(api), resource_(resource) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  ~Owner() {
    if (resource_ != nullptr) (api_.*Release)(resource_);
  }

  Resource get() const { return resource_; }
  // Where a platform call puts the resource it hands out.
  Resource* Receive() { return &resource_; }

 private:
  Api& api_;
  Resource resource_;
};

// A scope that holds something with no handle of its own, such as the COM
// library on this thread: given back through the interface when the scope ends.
template <typename Api, void (Api::*Release)()>
class [[nodiscard]] Held {
 public:
  explicit Held(Api& api) : api_(api) {}
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { (api_.*Release)(); }

 private:
  Api& api_;
};
