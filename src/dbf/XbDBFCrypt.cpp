#include "dbf/XbDBFCrypt.h"

#include "platform/rtl/Exceptions.h"

TXbDBFCrypt::~TXbDBFCrypt()
{
    try {
        SetActive(false);
    } catch (...) {
        // A destructor must not throw; a failing deactivation handler cannot be reported here.
    }
}

void TXbDBFCrypt::SetActive(bool value)
{
    if (value == active_) {
        return;
    }
    active_ = value;
    if (value) {
        Activate();
    } else {
        Deactivate();
    }
}

void TXbDBFCrypt::Activate()
{
    activeMethod_ = cryptMethod_;
    gostCrypt_.reset();
    if (OnActivateCrypt) {
        // The handler takes over activation; the application then also handles the transforms.
        OnActivateCrypt(this);
        return;
    }
    switch (activeMethod_) {
    case TCryptMethod::cmXOR:
        gostCrypt_ = TGostCrypt::MakeForXor(password_);
        break;
    case TCryptMethod::cmGost:
        gostCrypt_ = TGostCrypt::MakeForGost(password_);
        break;
    case TCryptMethod::cmGost1:
        gostCrypt_ = TGostCrypt::MakeForGost1(password_);
        break;
    case TCryptMethod::cmCustomer:
        if (customerCrypt_ != nullptr) {
            customerCrypt_->SetActive(true);
        }
        break;
    case TCryptMethod::cmNone:
        break;
    }
}

void TXbDBFCrypt::Deactivate()
{
    // The key goes in any case: a cipher that is off never transforms anything.
    gostCrypt_.reset();
    const TCryptMethod method = activeMethod_;
    activeMethod_ = TCryptMethod::cmNone;
    if (OnDeactivateCrypt) {
        OnDeactivateCrypt(this);
        return;
    }
    if (method == TCryptMethod::cmCustomer && customerCrypt_ != nullptr) {
        customerCrypt_->SetActive(false);
    }
}

TGostCrypt& TXbDBFCrypt::CipherFor(const char* operation)
{
    if (!gostCrypt_) {
        throw EDatabaseError(std::string("TXbDBFCrypt.") + operation +
                             ": No cipher key was built when the cipher was switched on");
    }
    return *gostCrypt_;
}

TXbDBFCrypt& TXbDBFCrypt::CustomerFor(const char* operation) const
{
    if (customerCrypt_ == nullptr) {
        throw EDatabaseError(std::string("TXbDBFCrypt.") + operation + ": No customer cipher is attached");
    }
    return *customerCrypt_;
}

void TXbDBFCrypt::Encrypt(uint32_t context, void* buffer, int32_t size)
{
    if (!active_ || size <= 0) {
        return;
    }
    if (OnEncrypt) {
        OnEncrypt(this, context, buffer, size);
        return;
    }
    switch (activeMethod_) {
    case TCryptMethod::cmXOR:
        CipherFor("Encrypt").GostXorGamma(context, buffer, size);
        break;
    case TCryptMethod::cmGost:
    case TCryptMethod::cmGost1:
        CipherFor("Encrypt").GostGammaEncrypt(context, buffer, size);
        break;
    case TCryptMethod::cmCustomer:
        CustomerFor("Encrypt").Encrypt(context, buffer, size);
        break;
    case TCryptMethod::cmNone:
        break;
    }
}

void TXbDBFCrypt::Decrypt(uint32_t context, void* buffer, int32_t size)
{
    if (!active_ || size <= 0) {
        return;
    }
    if (OnDecrypt) {
        OnDecrypt(this, context, buffer, size);
        return;
    }
    switch (activeMethod_) {
    case TCryptMethod::cmXOR:
        CipherFor("Decrypt").GostXorGamma(context, buffer, size);
        break;
    case TCryptMethod::cmGost:
    case TCryptMethod::cmGost1:
        CipherFor("Decrypt").GostGammaDecrypt(context, buffer, size);
        break;
    case TCryptMethod::cmCustomer:
        CustomerFor("Decrypt").Decrypt(context, buffer, size);
        break;
    case TCryptMethod::cmNone:
        break;
    }
}

void TXbDBFCrypt::SetCustomerCrypt(TXbDBFCrypt* value)
{
    if (value == this) {
        throw EDatabaseError("TXbDBFCrypt.SetCustomerCrypt: A cipher cannot be its own customer cipher");
    }
    customerCrypt_ = value;
}

void TXbDBFCrypt::AssignTo(TPersistent& dest) const
{
    auto* target = dynamic_cast<TXbDBFCrypt*>(&dest);
    if (target == nullptr) {
        TPersistent::AssignTo(dest);
        return;
    }
    if (target == this) {
        return;
    }
    target->cryptMethod_ = cryptMethod_;
    // A cipher never becomes its own customer cipher.
    target->customerCrypt_ = customerCrypt_ == target ? nullptr : customerCrypt_;
    target->password_ = password_;
    target->OnActivateCrypt = OnActivateCrypt;
    target->OnDeactivateCrypt = OnDeactivateCrypt;
    target->OnEncrypt = OnEncrypt;
    target->OnDecrypt = OnDecrypt;
    target->SetActive(false);
    target->SetActive(active_);
}
