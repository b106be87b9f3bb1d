#pragma once
// The per-table cipher: holds the method, the password and the events, and enciphers record
// images, memo blocks and index pages in place with their position as context.

#include "dbf/XbDBFGostCrypt.h"
#include "platform/classes/Components.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

enum class TCryptMethod : uint8_t { cmNone = 0, cmXOR = 1, cmGost = 2, cmGost1 = 3, cmCustomer = 4 };

// Transforms `size` bytes at `buffer` in place; `sender` is the TXbDBFCrypt.
using TOnCrypt = std::function<void(TObject* sender, uint32_t context, void* buffer, int32_t size)>;

class TXbDBFCrypt : public TPersistent {
public:
    // `owner` is the table the cipher belongs to (not owned; may be null).
    explicit TXbDBFCrypt(TPersistent* owner = nullptr) : owner_(owner) {}
    // Switches the cipher off first; an error raised while doing so is swallowed.
    ~TXbDBFCrypt() override;
    TXbDBFCrypt(const TXbDBFCrypt&) = delete;
    TXbDBFCrypt& operator=(const TXbDBFCrypt&) = delete;

    const char* ClassName() const noexcept override { return "TXbDBFCrypt"; }
    TPersistent* Owner() const noexcept { return owner_; }

    bool Active() const noexcept { return active_; }
    // Switching on builds the key from the Password and CryptMethod current at that moment
    // (unless OnActivateCrypt takes over); switching off releases it (unless
    // OnDeactivateCrypt takes over). Setting the value the cipher already has does nothing.
    virtual void SetActive(bool value);

    // Stored values only: they take effect at the next switch-on.
    TCryptMethod CryptMethod() const noexcept { return cryptMethod_; }
    void SetCryptMethod(TCryptMethod value) noexcept { cryptMethod_ = value; }
    const std::string& Password() const noexcept { return password_; }
    void SetPassword(const std::string& value) { password_ = value; }

    // Encipher / decipher `size` bytes at `buffer` in place. Nothing happens while inactive
    // or for a size of 0 or less. OnEncrypt / OnDecrypt take precedence over the method;
    // otherwise the method in force when the cipher was switched on decides.
    // Raises EDatabaseError when that method has no cipher to run (its key was not built
    // because OnActivateCrypt took over, or no customer cipher is attached).
    virtual void Encrypt(uint32_t context, void* buffer, int32_t size);
    virtual void Decrypt(uint32_t context, void* buffer, int32_t size);

    // The cipher used by cmCustomer: any TXbDBFCrypt (usually a subclass overriding SetActive,
    // Encrypt and Decrypt). Not owned; it must outlive this object or be detached first.
    TXbDBFCrypt* CustomerCrypt() const noexcept { return customerCrypt_; }
    void SetCustomerCrypt(TXbDBFCrypt* value);

    // The built-in cipher while one is built; null otherwise.
    const TGostCrypt* GostCrypt() const noexcept { return gostCrypt_ ? &*gostCrypt_ : nullptr; }

    TNotifyEvent OnActivateCrypt;
    TNotifyEvent OnDeactivateCrypt;
    TOnCrypt OnEncrypt;
    TOnCrypt OnDecrypt;

protected:
    // Copies method, customer cipher, password and events to another TXbDBFCrypt, then
    // switches it off and to this object's state, so it builds its own key.
    void AssignTo(TPersistent& dest) const override;

private:
    void Activate();
    void Deactivate();
    TGostCrypt& CipherFor(const char* operation);
    TXbDBFCrypt& CustomerFor(const char* operation) const;

    TPersistent* owner_ = nullptr;
    bool active_ = false;
    TCryptMethod cryptMethod_ = TCryptMethod::cmNone;
    std::string password_;
    // The method that was in force when the cipher was switched on; it decides what
    // Encrypt, Decrypt and switching off do until the cipher is switched off.
    TCryptMethod activeMethod_ = TCryptMethod::cmNone;
    std::optional<TGostCrypt> gostCrypt_;
    TXbDBFCrypt* customerCrypt_ = nullptr;
};
