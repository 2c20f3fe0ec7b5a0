#include "app/commands.h"

namespace sorpex::command {

std::string_view commandString(int id) {
    switch (id) {
    case kAcquireAll:
        return "プリンタ情報の取得を開始します\nプリンタ情報取得";
    case kSaveAs:
        return "作業中のファイルを新しい名前で保存\n名前を付けて保存";
    case kNew:
        return "新規にファイルを作成\n新規作成";
    case kAddPrinter:
    case kContextAdd:
        return "新規にプリンタ設定を追加します\nプリンタ追加";
    case kChangePrinter:
    case kContextChange:
        return "プリンタの設定情報を変更します\nプリンタ設定変更";
    case kDeletePrinters:
    case kContextDelete:
        return "登録されているプリンタ情報を削除します\nプリンタ削除";
    case kMoveUp:
        return "プリンタリストを上に移動します\n上移動";
    case kMoveDown:
        return "プリンタリストを下に移動します\n下移動";
    case kResetIds:
        return "ID を採番します\nID のリセット";
    case kAcquireRange:
        return "IPアドレス範囲でプリンタ情報取得をします\nIPアドレス情報取得";
    case kRepeatSettings:
        return "繰り返し取得を設定します\n繰り返し取得設定";
    case kUsage:
        return "プリンタごとの使用枚数を集計します\n使用枚数";
    case kEnvironmentSettings:
        return "環境設定\n環境設定";
    case kContextAcquireSelected:
        return "選択しているプリンタ情報の取得を開始します\n選択プリンタ情報取得";
    case kOpen:
        return "既存のファイルを開く\n開く";
    case kAbout:
        return "プログラム情報、バージョン、著作権を表示します。\nバージョン情報";
    default:
        return {};
    }
}

} // namespace sorpex::command
