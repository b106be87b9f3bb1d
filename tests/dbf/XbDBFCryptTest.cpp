// The per-table cipher object: round trips of every method, activation and its events,
// the method in force while active, the customer cipher, Assign and destruction.

#include "dbf/XbDBFCrypt.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A customer cipher that adds (context + position) to each byte while it is switched on.
class AddingCrypt : public TXbDBFCrypt {
public:
    void SetActive(bool value) override
    {
        if (failOnDeactivate && !value) {
            throw std::runtime_error("deactivation failed");
        }
        ++switches;
        on = value;
    }
    void Encrypt(uint32_t context, void* buffer, int32_t size) override { Shift(context, buffer, size, 1); }
    void Decrypt(uint32_t context, void* buffer, int32_t size) override { Shift(context, buffer, size, -1); }

    int switches = 0;
    bool on = false;
    bool failOnDeactivate = false;

private:
    void Shift(uint32_t context, void* buffer, int32_t size, int sign) const
    {
        if (!on) {
            return;
        }
        auto* bytes = static_cast<uint8_t*>(buffer);
        for (int32_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<uint8_t>(bytes[i] + sign * static_cast<int>(context + static_cast<uint32_t>(i)));
        }
    }
};

Bytes Sample(size_t size, unsigned seed = 1)
{
    std::mt19937 random(seed);
    Bytes data(size);
    for (uint8_t& b : data) {
        b = static_cast<uint8_t>(random());
    }
    return data;
}

Bytes Enciphered(TXbDBFCrypt& crypt, uint32_t context, Bytes data)
{
    crypt.Encrypt(context, data.data(), static_cast<int32_t>(data.size()));
    return data;
}

void Configure(TXbDBFCrypt& crypt, TCryptMethod method, const std::string& password)
{
    crypt.SetCryptMethod(method);
    crypt.SetPassword(password);
    crypt.SetActive(true);
}

const char* MethodName(TCryptMethod method)
{
    static const char* const names[] = {"cmNone", "cmXOR", "cmGost", "cmGost1", "cmCustomer"};
    return names[static_cast<int>(method)];
}

TEST(XbDBFCrypt, EveryMethodRoundTripsEverySizeAndContext)
{
    const TCryptMethod methods[] = {TCryptMethod::cmNone, TCryptMethod::cmXOR, TCryptMethod::cmGost,
                                    TCryptMethod::cmGost1, TCryptMethod::cmCustomer};
    const uint32_t contexts[] = {0, 1, 255, 256, 257};
    for (TCryptMethod method : methods) {
        AddingCrypt customer;
        TXbDBFCrypt crypt;
        crypt.SetCustomerCrypt(&customer);
        Configure(crypt, method, "Rq4Hvz7K");
        for (uint32_t context : contexts) {
            for (size_t size = 0; size <= 40; ++size) {
                const Bytes plain = Sample(size, static_cast<unsigned>(size + 100 * context));
                Bytes buffer = plain;
                buffer.insert(buffer.end(), 4, 0x5A);
                crypt.Encrypt(context, buffer.data(), static_cast<int32_t>(size));
                const Bytes cipherText(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(size));
                if (method == TCryptMethod::cmNone) {
                    EXPECT_EQ(cipherText, plain) << size;
                } else if (size >= 8) {
                    EXPECT_NE(cipherText, plain) << MethodName(method) << " size " << size << " context " << context;
                }
                crypt.Decrypt(context, buffer.data(), static_cast<int32_t>(size));
                ASSERT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(size)), plain)
                    << MethodName(method) << " size " << size << " context " << context;
                ASSERT_EQ(Bytes(buffer.end() - 4, buffer.end()), Bytes(4, 0x5A)) << MethodName(method);
            }
        }
        if (method != TCryptMethod::cmNone && method != TCryptMethod::cmCustomer) {
            // The built-in ciphers use only the low byte of the context.
            const Bytes record = Sample(40);
            EXPECT_EQ(Enciphered(crypt, 1, record), Enciphered(crypt, 257, record)) << MethodName(method);
            EXPECT_EQ(Enciphered(crypt, 0, record), Enciphered(crypt, 256, record)) << MethodName(method);
            EXPECT_NE(Enciphered(crypt, 0, record), Enciphered(crypt, 1, record)) << MethodName(method);
        }
        // Negative sizes transform nothing.
        Bytes untouched = Sample(8);
        crypt.Encrypt(1, untouched.data(), -8);
        EXPECT_EQ(untouched, Sample(8));
    }
}

TEST(XbDBFCrypt, KeyIsBuiltFromSettingsCurrentAtSwitchOn)
{
    TXbDBFCrypt reference;
    Configure(reference, TCryptMethod::cmGost, "first");
    TXbDBFCrypt other;
    Configure(other, TCryptMethod::cmGost, "second");
    const Bytes record = Sample(24);

    TXbDBFCrypt crypt;
    Configure(crypt, TCryptMethod::cmGost, "first");
    crypt.SetPassword("second");
    crypt.SetActive(true);  // already on: nothing is rebuilt
    EXPECT_EQ(Enciphered(crypt, 7, record), Enciphered(reference, 7, record));
    crypt.SetActive(false);
    EXPECT_EQ(crypt.GostCrypt(), nullptr);
    EXPECT_EQ(Enciphered(crypt, 7, record), record) << "an inactive cipher transforms nothing";
    crypt.SetActive(true);
    EXPECT_EQ(Enciphered(crypt, 7, record), Enciphered(other, 7, record));
    EXPECT_NE(Enciphered(crypt, 7, record), Enciphered(reference, 7, record)) << "a wrong password gives other bytes";
}

// Changing the method while the cipher is on must not switch to a cipher that was never built
// (or to none): the method in force at switch-on stays in charge until the cipher goes off.
TEST(XbDBFCrypt, MethodChangedWhileActiveTakesEffectAtNextSwitchOn)
{
    const Bytes record = Sample(21);
    struct Case {
        TCryptMethod atSwitchOn;
        TCryptMethod changedTo;
    };
    const Case cases[] = {
        {TCryptMethod::cmXOR, TCryptMethod::cmGost},    {TCryptMethod::cmGost, TCryptMethod::cmXOR},
        {TCryptMethod::cmNone, TCryptMethod::cmGost},   {TCryptMethod::cmGost1, TCryptMethod::cmNone},
        {TCryptMethod::cmNone, TCryptMethod::cmCustomer}, {TCryptMethod::cmGost, TCryptMethod::cmGost1},
    };
    for (const Case& c : cases) {
        TXbDBFCrypt before;
        Configure(before, c.atSwitchOn, "pw");
        TXbDBFCrypt after;
        Configure(after, c.changedTo, "pw");

        TXbDBFCrypt crypt;
        Configure(crypt, c.atSwitchOn, "pw");
        crypt.SetCryptMethod(c.changedTo);
        const Bytes written = Enciphered(crypt, 3, record);
        EXPECT_EQ(written, Enciphered(before, 3, record)) << MethodName(c.atSwitchOn) << " -> " << MethodName(c.changedTo);
        Bytes back = written;
        crypt.Decrypt(3, back.data(), static_cast<int32_t>(back.size()));
        EXPECT_EQ(back, record);
        if (c.changedTo != TCryptMethod::cmCustomer) {
            crypt.SetActive(false);
            crypt.SetActive(true);
            EXPECT_EQ(Enciphered(crypt, 3, record), Enciphered(after, 3, record));
        }
    }
}

TEST(XbDBFCrypt, GostCallsLeaveTheXorGammaAlone)
{
    const Bytes record = Sample(30);
    TGostCrypt fresh = TGostCrypt::MakeForXor("pw");
    Bytes expected = record;
    fresh.GostXorGamma(9, expected.data(), static_cast<int32_t>(expected.size()));

    TGostCrypt used = TGostCrypt::MakeForXor("pw");
    Bytes scratch = Sample(17);
    used.GostGammaEncrypt(200, scratch.data(), static_cast<int32_t>(scratch.size()));
    Bytes actual = record;
    used.GostXorGamma(9, actual.data(), static_cast<int32_t>(actual.size()));
    EXPECT_EQ(actual, expected);
}

TEST(XbDBFCrypt, EventsTakePrecedenceOverTheMethod)
{
    std::vector<std::string> calls;
    TXbDBFCrypt crypt;
    crypt.SetCryptMethod(TCryptMethod::cmGost);
    crypt.OnEncrypt = [&](TObject* sender, uint32_t context, void* buffer, int32_t size) {
        EXPECT_EQ(sender, &crypt);
        calls.push_back("encrypt " + std::to_string(context) + " " + std::to_string(size));
        static_cast<uint8_t*>(buffer)[0] ^= 0xFF;
    };
    crypt.OnDecrypt = [&](TObject*, uint32_t context, void*, int32_t size) {
        calls.push_back("decrypt " + std::to_string(context) + " " + std::to_string(size));
    };

    Bytes record = Sample(12);
    crypt.Encrypt(5, record.data(), 12);
    crypt.Decrypt(5, record.data(), 12);
    EXPECT_TRUE(calls.empty()) << "handlers never run while the cipher is off";
    EXPECT_EQ(record, Sample(12));

    crypt.SetActive(true);
    EXPECT_NE(crypt.GostCrypt(), nullptr) << "the method still decides what activation builds";
    crypt.Encrypt(300, record.data(), 12);
    crypt.Decrypt(301, record.data(), 12);
    EXPECT_EQ(calls, (std::vector<std::string>{"encrypt 300 12", "decrypt 301 12"}));
    Bytes expected = Sample(12);
    expected[0] ^= 0xFF;
    EXPECT_EQ(record, expected);
}

TEST(XbDBFCrypt, ActivationHandlersTakeOverAndAMissingKeyIsReported)
{
    int activations = 0;
    int deactivations = 0;
    TXbDBFCrypt crypt;
    crypt.OnActivateCrypt = [&](TObject* sender) {
        EXPECT_EQ(sender, &crypt);
        ++activations;
    };
    crypt.OnDeactivateCrypt = [&](TObject*) { ++deactivations; };

    for (TCryptMethod method : {TCryptMethod::cmXOR, TCryptMethod::cmGost, TCryptMethod::cmGost1}) {
        Configure(crypt, method, "pw");
        EXPECT_EQ(crypt.GostCrypt(), nullptr) << "the handler took over: no key is built";
        Bytes record = Sample(9);
        try {
            crypt.Encrypt(1, record.data(), 9);
            ADD_FAILURE() << MethodName(method) << " enciphered without a key";
        } catch (const EDatabaseError& error) {
            EXPECT_EQ(error.Message(), "TXbDBFCrypt.Encrypt: No cipher key was built when the cipher was switched on");
        }
        EXPECT_THROW(crypt.Decrypt(1, record.data(), 9), EDatabaseError);
        EXPECT_EQ(record, Sample(9));
        crypt.SetActive(false);
    }
    EXPECT_EQ(activations, 3);
    EXPECT_EQ(deactivations, 3);

    // The handler also keeps a customer cipher off.
    AddingCrypt customer;
    crypt.SetCustomerCrypt(&customer);
    Configure(crypt, TCryptMethod::cmCustomer, "");
    crypt.SetActive(false);
    EXPECT_EQ(customer.switches, 0);
}

TEST(XbDBFCrypt, CustomerCipherIsSwitchedWithTheTable)
{
    AddingCrypt customer;
    TXbDBFCrypt crypt;
    EXPECT_THROW(crypt.SetCustomerCrypt(&crypt), EDatabaseError);
    Configure(crypt, TCryptMethod::cmCustomer, "");
    Bytes record = Sample(4);
    EXPECT_THROW(crypt.Encrypt(1, record.data(), 4), EDatabaseError) << "no customer attached";
    EXPECT_THROW(crypt.Decrypt(1, record.data(), 4), EDatabaseError) << "no customer attached";
    crypt.SetActive(false);

    crypt.SetCustomerCrypt(&customer);
    crypt.SetActive(true);
    EXPECT_TRUE(customer.on);
    EXPECT_EQ(Enciphered(crypt, 10, Bytes{1, 2, 3}), (Bytes{11, 13, 15}));
    crypt.SetCryptMethod(TCryptMethod::cmGost);  // takes effect at the next switch-on only
    crypt.SetActive(false);
    EXPECT_FALSE(customer.on) << "the customer switched on is switched off again";
    EXPECT_EQ(customer.switches, 2);
}

TEST(XbDBFCrypt, AssignCopiesSettingsAndBuildsItsOwnKey)
{
    int deactivations = 0;
    TXbDBFCrypt source;
    source.OnDeactivateCrypt = [&](TObject*) {};
    Configure(source, TCryptMethod::cmGost1, "Rq4Hvz7K");
    const Bytes record = Sample(40);

    TXbDBFCrypt dest;
    Configure(dest, TCryptMethod::cmXOR, "old");
    dest.Assign(source);
    EXPECT_TRUE(dest.Active());
    EXPECT_EQ(dest.CryptMethod(), TCryptMethod::cmGost1);
    EXPECT_EQ(dest.Password(), "Rq4Hvz7K");
    EXPECT_TRUE(static_cast<bool>(dest.OnDeactivateCrypt));
    ASSERT_NE(dest.GostCrypt(), nullptr);
    EXPECT_NE(dest.GostCrypt(), source.GostCrypt());
    EXPECT_EQ(Enciphered(dest, 2, record), Enciphered(source, 2, record));

    // Assigning an inactive cipher switches the destination off (through the copied handler).
    TXbDBFCrypt inactive;
    inactive.OnDeactivateCrypt = [&](TObject*) { ++deactivations; };
    inactive.SetCryptMethod(TCryptMethod::cmGost);
    dest.Assign(inactive);
    EXPECT_FALSE(dest.Active());
    EXPECT_EQ(deactivations, 1);

    // Assigning a cipher to itself keeps it as it is.
    source.Assign(source);
    EXPECT_TRUE(source.Active());
    TXbDBFCrypt fresh;
    Configure(fresh, TCryptMethod::cmGost1, "Rq4Hvz7K");
    EXPECT_EQ(Enciphered(source, 2, record), Enciphered(fresh, 2, record));

    TPersistent unrelated;
    EXPECT_THROW(unrelated.Assign(source), EConvertError);
}

TEST(XbDBFCrypt, DestructionNeverThrows)
{
    EXPECT_NO_THROW({
        TXbDBFCrypt crypt;
        crypt.OnDeactivateCrypt = [](TObject*) { throw EDatabaseError("handler failed"); };
        crypt.SetActive(true);
    });
    AddingCrypt customer;
    EXPECT_NO_THROW({
        TXbDBFCrypt crypt;
        crypt.SetCustomerCrypt(&customer);
        Configure(crypt, TCryptMethod::cmCustomer, "");
        customer.failOnDeactivate = true;
    });
    customer.failOnDeactivate = false;
}

}  // namespace
