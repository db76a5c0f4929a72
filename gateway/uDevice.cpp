#include "gateway/uDevice.h"

#include "common/CommonTexts.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/uCommonUtils.Encodings.h"
#include "common/uCommonUtils.XmlPaths.h"
#include "common/uEquipmentErrors.h"
#include "gateway/GatewayValues.h"
#include "gateway/uGatewayResults.h"
#include "gateway/uGatewaySettings.h"
#include "gateway/uGatewayTexts.h"

namespace svcgate {

using namespace GatewayTexts;

namespace {

// An HTTP header holds one line: the signature text's line breaks stay out of
// it, and a Base64 decoder reads the same bytes without them.
std::wstring OneLine(const std::string& text) {
    std::wstring line;
    for (const char c : text)
        if (c != '\r' && c != '\n')
            line += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return line;
}

// A dump waits for a file that another program holds no longer than this: it is
// for reading afterwards and must not hold the cash desk.
constexpr DWORD DumpWaitMs = 250;

} // namespace

TDevice::TDevice()
    : FServer1URL(GatewaySettings::DefaultServer1URL),
      FServer2URL(GatewaySettings::DefaultServer2URL) {}

TDevice::~TDevice() {
    Disable();
}

// A host that disables the driver or lets it go had every answer it was given.
void TDevice::Disable() {
    ConfirmTold();
    FEnabled = false;
}

std::wstring TDevice::GetCachedResultText(std::int32_t Code) const {
    return NameValue(FResultCodes, std::to_wstring(Code));
}

std::wstring TDevice::GetResultCodeText(std::int32_t Code) const {
    std::wstring text = GetCachedResultText(Code);
    return text.empty() ? GatewayResultText(Code) : text;
}

void TDevice::AppendAuth(XmlDocument& Doc, const XmlNode& Root, const std::wstring& Login,
                         const std::wstring& Password) {
    AppendElementWithAttributes(Doc, Root, AuthElement,
                                {Login, MD5HexUpper(Password), SignAlgorithm},
                                {LoginAttribute, SignAttribute, SignAlgAttribute});
}

// With the hardware key the request is signed in a header instead of the
// "auth" element.
void TDevice::CreateRequest(const std::wstring& Group, const std::wstring& Operation,
                            XmlDocument& Doc, const std::vector<std::wstring>& Values,
                            const std::vector<std::wstring>& Names) {
    Doc.Clear();
    const XmlNode root = Doc.CreateRoot(RequestElement);
    if (!FUseEToken)
        AppendAuth(Doc, root, FLogin, FPassword);
    AppendElementWithAttributes(Doc, root, ClientElement, {Software, FTerminalID},
                                {SoftwareAttribute, TerminalAttribute});
    const XmlNode operation = AppendElement(Doc, AppendElement(Doc, root, Group), Operation);
    for (size_t i = 0; i < Names.size(); ++i)
        AppendElement(Doc, operation, Names[i]).SetText(i < Values.size() ? Values[i] : L"");
}

// The prolog names windows-1251 while the body goes out in UTF-8, as the gateway
// expects; a character the ANSI code page cannot hold becomes "?" first.
std::wstring TDevice::RequestText(XmlDocument& Doc) const {
    const std::wstring text = std::wstring(Prolog) + L"\r\n" + XmlMarkup(Doc.DocumentElement());
    return AnsiOnly(Trim(text));
}

// The dump shows the request as sent but for the password's digest and the
// payer's personal data: the data folder is readable by every user of the machine.
void TDevice::DumpRequest(const std::wstring& text) const {
    SaveDump(RequestDump, [&] {
        XmlDocument dump;
        dump.LoadXml(text);
        SetAttributeAt(dump, AuthPath, SignAttribute, CommonTexts::MaskedSecret);
        const std::wstring anySystemOperation = OperationPath(Groups::System, L"*");
        for (const wchar_t* parameter : IdentifyUserParameters)
            if (const XmlNode node =
                    dump.SelectSingleNode(ChildPath(anySystemOperation, parameter)))
                node.SetText(CommonTexts::MaskedSecret);
        SaveXmlToDataFolder(dump, RequestDump, DumpWaitMs);
    });
}

// A dump is for reading afterwards, never part of the exchange: one that cannot
// be made or written (held open, access denied, a full disk) is skipped, and the
// exchange ends as it would without debug mode.
void TDevice::SaveDump(const wchar_t* name, const std::function<void()>& dump) const {
    try {
        dump();
    } catch (const std::exception& error) {
        if (FDebugLog)
            FDebugLog(DumpSkipped, std::wstring(name) + L": " + MessageOf(error));
    }
}

std::vector<HttpHeader> TDevice::RequestHeaders(const std::string& body) {
    std::vector<HttpHeader> headers{{AcceptEncoding, Identity}, {UserAgent, Software}};
    if (!FUseEToken)
        return headers;
    const std::wstring login = FLogin.empty() ? FEToken.GetContainerName() : FLogin;
    // FLogin even when empty: the token then signs with its first container, which `login` names.
    std::string signature;
    if (!FEToken.SignMessage(FLogin, body, signature))
        return {};
    headers.push_back({DigitalSign, OneLine(signature)});
    headers.push_back({DigitalSignAlg, DigitalSignAlgorithm});
    headers.push_back({DigitalSignLogin, Base64Encode(WideToUtf8(login))});
    return headers;
}

std::int32_t TDevice::Fail(const wchar_t* what, const std::wstring& reason) {
    FLastResultDescription = std::wstring(what) + L"\r\n" + reason;
    return ResultCode::UnknownError;
}

std::int32_t TDevice::Fail(std::wstring text) {
    FLastResultDescription = std::move(text);
    return ResultCode::UnknownError;
}

std::int32_t TDevice::SendRequest(XmlDocument& Doc) {
    const std::wstring text = RequestText(Doc);
    Doc.LoadXml(text);
    if (FDebugMode)
        DumpRequest(text);
    const std::string body = WideToUtf8(text);
    const std::vector<HttpHeader> headers = RequestHeaders(body);
    if (headers.empty())
        return Fail(SendFailed, FEToken.LastErrorDescription());
    const HttpOutcome outcome = FHttp.Post(FServer1URL, headers, body, FSrvResponseTimeout);
    if (outcome.state == HttpOutcome::State::TimedOut)
        return ResultCode::NoAnswer;
    if (outcome.state == HttpOutcome::State::Failed)
        return Fail(SendFailed, outcome.error);
    // Like an answer without a result: what it says, if anything, is not read.
    if (outcome.state == HttpOutcome::State::TooLarge) {
        FLastResultDescription.clear();
        return ResultCode::ProtocolError;
    }
    if (!Doc.LoadBytes(outcome.body))
        return Fail(ParseFailed, Doc.ParseErrorReason());
    if (FDebugMode)
        SaveDump(ResponseDump, [&] { SaveXmlToDataFolder(Doc, ResponseDump, DumpWaitMs); });
    return CheckResponse(Doc, L"");
}

std::int32_t TDevice::CheckResponse(const XmlDocument& Doc, const std::wstring& Path) {
    FLastResultDescription.clear();
    switch (GetResponseResult(Doc, Path, FLastResultDescription)) {
    case -1:
        return ResultCode::ProtocolError;
    case 0:
        return ResultCode::Success;
    default:
        return ResultCode::UnknownError;
    }
}

// A non-zero code of the root is final: the element at Path is not consulted.
std::int32_t TDevice::GetResponseResult(const XmlDocument& Doc, const std::wstring& Path,
                                        std::wstring& Description) const {
    Description.clear();
    if (!Doc.DocumentElement())
        return -1;
    std::wstring value = ReadXmlValue(Doc, L"", ResultAttribute, L"");
    if (value == L"0" && !Path.empty())
        value = ReadXmlValue(Doc, Path, ResultAttribute, L"");
    if (value.empty())
        return -1;
    const std::int32_t code = DecimalCode(value).value_or(-1);
    Description = GetResultCodeText(code);
    return code;
}

std::int32_t TDevice::ExecuteRequest(const std::wstring& Group, const std::wstring& Operation,
                                     XmlDocument& Doc, const std::vector<std::wstring>& Values,
                                     const std::vector<std::wstring>& Names) {
    CreateRequest(Group, Operation, Doc, Values, Names);
    const std::int32_t code = SendRequest(Doc);
    if (code != ResultCode::Success)
        return code;
    return CheckResponse(Doc, OperationPath(Group, Operation));
}

} // namespace svcgate
