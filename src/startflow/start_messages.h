// The numbered notices of a game start.
#pragma once

#include <string>
#include <string_view>

namespace vg::startflow {

inline constexpr std::u16string_view kContactLine =
    u"PC 재 시작 후에도 동일한 오류가 발생할 경우 고객센터로 문의해주세요.";
inline constexpr std::u16string_view kMessage19 =
    u"[오류번호:19] 설정 파일 정보를 가져올 수 없습니다.";
inline constexpr std::u16string_view kMessage20 =
    u"[오류번호:20] 설정 파일 정보를 가져올 수 없습니다.";
inline constexpr std::u16string_view kMessage21 =
    u"[오류번호:21] 게임 설치 파일을 다운로드 받을수 없습니다.";
inline constexpr std::u16string_view kMessage22 =
    u"[오류번호:22] 게임 런처 파일을 다운로드 받을수 없습니다.";

/// Shows a numbered notice: its sentence, two line feeds and the contact line. Messages 19 and
/// 20 carry the question icon, 21 and 22 the warning icon.
void ShowStartMessage(std::u16string_view sentence);

} // namespace vg::startflow
