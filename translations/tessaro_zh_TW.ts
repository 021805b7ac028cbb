<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>CheckNote</name>
    <message>
        <source>CRC mismatch: bytes 126-127 hold %1, the CRC of bytes 0-%2 is %3</source>
        <translation>CRC 不符：位元組 126-127 存有 %1，位元組 0-%2 的 CRC 為 %3</translation>
    </message>
    <message>
        <source>checksum mismatch: byte 63 holds %1, the sum of bytes 0-62 is %2</source>
        <translation>檢查和不符：位元組 63 存有 %1，位元組 0-62 的總和為 %2</translation>
    </message>
</context>
<context>
    <name>LogWindow</name>
    <message>
        <source>download</source>
        <translation>下傳</translation>
    </message>
    <message>
        <source>check</source>
        <translation>檢查</translation>
    </message>
    <message>
        <source>read programmer</source>
        <translation>讀取燒錄器</translation>
    </message>
    <message>
        <source>read module</source>
        <translation>讀取模組</translation>
    </message>
    <message>
        <source>compare</source>
        <translation>比對</translation>
    </message>
    <message>
        <source>erase</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>auto-serial</source>
        <translation>自動序號</translation>
    </message>
    <message>
        <source>tester read</source>
        <translation>測試機讀取</translation>
    </message>
    <message>
        <source>tester copy</source>
        <translation>測試機拷貝</translation>
    </message>
    <message>
        <source>tester compare</source>
        <translation>測試機比對</translation>
    </message>
    <message>
        <source>tester test</source>
        <translation>測試機測試</translation>
    </message>
    <message>
        <source>tester learn</source>
        <translation>測試機學習</translation>
    </message>
    <message>
        <source>switch</source>
        <translation>切換</translation>
    </message>
    <message>
        <source>test record</source>
        <translation>測試紀錄</translation>
    </message>
    <message>
        <source>password</source>
        <translation>已輸入密碼</translation>
    </message>
    <message>
        <source>no password</source>
        <translation>未輸入密碼</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>read into %1</source>
        <translation>讀入 %1</translation>
    </message>
    <message>
        <source>port %1</source>
        <translation>連接埠 %1</translation>
    </message>
    <message>
        <source>spdrw info</source>
        <translation>讀寫器資訊</translation>
    </message>
    <message>
        <source>spdrw read</source>
        <translation>讀寫器讀取</translation>
    </message>
    <message>
        <source>spdrw write</source>
        <translation>讀寫器寫入</translation>
    </message>
    <message>
        <source>spdrw backup</source>
        <translation>讀寫器備份</translation>
    </message>
    <message>
        <source>spdrw verify</source>
        <translation>讀寫器比對</translation>
    </message>
    <message>
        <source>spdrw protect status</source>
        <translation>讀寫器保護狀態</translation>
    </message>
    <message>
        <source>spdrw protect set</source>
        <translation>讀寫器設定保護</translation>
    </message>
    <message>
        <source>spdrw protect clear</source>
        <translation>讀寫器解除保護</translation>
    </message>
    <message>
        <source>SPD reader/writer %1</source>
        <translation>SPD 讀寫器 %1</translation>
    </message>
</context>
<context>
    <name>ModuleDocumentWindow</name>
    <message>
        <source>%1 stored %2, computed %3</source>
        <translation>%1 儲存值 %2，計算值 %3</translation>
    </message>
</context>
<context>
    <name>PinMapArt</name>
    <message>
        <source>Columns 4-6 carry no balls.</source>
        <translation>第 4 至 6 行沒有錫球。</translation>
    </message>
    <message>
        <source>0.8 mm ball pitch.</source>
        <translation>錫球間距 0.8 mm。</translation>
    </message>
    <message>
        <source>Names are x8. A grey second line gives the x4 name where it differs.</source>
        <translation>名稱為 x8；x4 名稱不同時以灰色第二行標示。</translation>
    </message>
    <message>
        <source>Lower byte DQ0-DQ7 with LDQS, LDM; upper byte DQ8-DQ15 with UDQS, UDM.</source>
        <translation>低位元組 DQ0-DQ7 配 LDQS、LDM；高位元組 DQ8-DQ15 配 UDQS、UDM。</translation>
    </message>
    <message>
        <source>RDQS, /RDQS: x8 only, when enabled in EMR(1).</source>
        <translation>RDQS、/RDQS：僅 x8，且在 EMR(1) 中啟用時。</translation>
    </message>
    <message>
        <source>BA2, A13: NC on densities that do not use them.</source>
        <translation>BA2、A13：在不使用它們的容量上為 NC。</translation>
    </message>
    <message>
        <source>TDQS, /TDQS: x8 only, when enabled in MR1.</source>
        <translation>TDQS、/TDQS：僅 x8，且在 MR1 中啟用時。</translation>
    </message>
    <message>
        <source>A13-A15: NC on densities that do not use them.</source>
        <translation>A13-A15：在不使用它們的容量上為 NC。</translation>
    </message>
    <message>
        <source>Top view</source>
        <translation>上視圖</translation>
    </message>
    <message>
        <source>Ball A1 corner</source>
        <translation>A1 錫球角</translation>
    </message>
    <message>
        <source>400 mil body</source>
        <translation>400 mil 本體</translation>
    </message>
    <message>
        <source>0.65 mm pin pitch</source>
        <translation>腳距 0.65 mm</translation>
    </message>
    <message>
        <source>pin 1</source>
        <translation>第 1 腳</translation>
    </message>
    <message>
        <source>Front: pins %1</source>
        <translation>正面：第 %1 腳</translation>
    </message>
    <message>
        <source>Back: pins %1 (pin %2 behind pin 1)</source>
        <translation>背面：第 %1 腳 (第 %2 腳在第 1 腳背後)</translation>
    </message>
    <message>
        <source>Front: odd pins %1</source>
        <translation>正面：奇數腳 %1</translation>
    </message>
    <message>
        <source>Back: even pins %1 (pin 2 behind pin 1)</source>
        <translation>背面：偶數腳 %1 (第 2 腳在第 1 腳背後)</translation>
    </message>
    <message>
        <source>Key notch between pins %1/%2 (front) and %3/%4 (back)</source>
        <translation>定位缺口位於第 %1/%2 腳 (正面) 與第 %3/%4 腳 (背面) 之間</translation>
    </message>
    <message>
        <source>Front</source>
        <translation>正面</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>背面</translation>
    </message>
    <message>
        <source>key notch</source>
        <translation>定位缺口</translation>
    </message>
</context>
<context>
    <name>SpdrwController</name>
    <message>
        <source>SPD reader/writer: connecting…</source>
        <translation>SPD 讀寫器：連線中…</translation>
    </message>
    <message>
        <source>SPD reader/writer: scanning the modules…</source>
        <translation>SPD 讀寫器：掃描模組中…</translation>
    </message>
</context>
<context>
    <name>ValueForm</name>
    <message>
        <source>Manufacturer</source>
        <translation>製造商</translation>
    </message>
    <message>
        <source>Manufactured (year-week)</source>
        <translation>製造日期（年-週）</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序號</translation>
    </message>
    <message>
        <source>Part number</source>
        <translation>料號</translation>
    </message>
    <message>
        <source>Module revision</source>
        <translation>模組版本</translation>
    </message>
    <message>
        <source>Speed (MT/s)</source>
        <translation>速度（MT/s）</translation>
    </message>
    <message>
        <source>CAS latencies</source>
        <translation>CAS 延遲</translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation>電壓</translation>
    </message>
    <message>
        <source>Profile name</source>
        <translation>設定檔名稱</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>啟用</translation>
    </message>
    <message>
        <source>Not stored: %1</source>
        <translation>未儲存：%1</translation>
    </message>
</context>
<context>
    <name>WindowLinkHost</name>
    <message>
        <source>no reply to the status request</source>
        <translation>狀態查詢沒有回應</translation>
    </message>
    <message>
        <source>the status reply cannot be read</source>
        <translation>無法判讀狀態回應</translation>
    </message>
    <message>
        <source>no reply</source>
        <translation>沒有回應</translation>
    </message>
    <message>
        <source>no document window is open</source>
        <translation>沒有開啟的文件視窗</translation>
    </message>
    <message>
        <source>the document window closed</source>
        <translation>文件視窗已關閉</translation>
    </message>
    <message>
        <source>port %1</source>
        <translation>連接埠 %1</translation>
    </message>
    <message>
        <source>port %1: %2</source>
        <translation>連接埠 %1：%2</translation>
    </message>
</context>
<context>
    <name>tessaro::CompareSourceDialog</name>
    <message>
        <source>比較</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>映像 A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>映像 B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>開啟的文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>檔案</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>瀏覽…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>開啟</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SPD 映像 (*.spd *.bin *.txt);;所有檔案 (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>確定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>請選擇映像 A 的檔案。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>請選擇映像 B 的檔案。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tessaro::CompareWindow</name>
    <message>
        <source>A: %1    B: %2    %3</source>
        <translation>A：%1    B：%2    %3</translation>
    </message>
    <message>
        <source>A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shift+F8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A: %1</source>
        <translation>A：%1</translation>
    </message>
    <message>
        <source>B: %1</source>
        <translation>B：%1</translation>
    </message>
    <message>
        <source>比較 %1 | %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 個位元組不同，%2 項資料不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>項目</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上一個差異</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下一個差異</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>大小 (位元組)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>世代</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模組類型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>容量 (MB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rank 數</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>晶片寬度 (bit)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>匯流排寬度 (bit)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ECC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>組織</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>速度 (MT/s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>速度等級</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模組速度名稱</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模組製造商</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>料號</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>序號</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>製造日期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>解碼面板</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模組 I/O 標題</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>製造商名稱</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAS 延遲</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>電壓</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checksum (位元組 0-62，存於 63)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CRC (存於位元組 126-127)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CRC %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>警告 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>啟用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名稱</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>tCKmin (ps)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CRC 正確</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>差異 %1 / %2：%3</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tessaro::DecodedPanels</name>
    <message>
        <source>Double-click or Enter to edit</source>
        <translation>按兩下或按 Enter 編輯</translation>
    </message>
</context>
<context>
    <name>tessaro::DocumentManager</name>
    <message>
        <source>%1：映像之後還有 %2 個位元組，儲存時只寫入映像，這些位元組會被捨棄</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>儲存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 在映像之後還有 %2 個位元組。
儲存只寫入映像，這些位元組會被捨棄。是否儲存 ?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tessaro::DocumentWindow</name>
    <message>
        <source>%1 stored %2, computed %3</source>
        <translation>%1 儲存值 %2，計算值 %3</translation>
    </message>
</context>
<context>
    <name>tessaro::GridFind</name>
    <message>
        <source>nothing to find</source>
        <translation>沒有要尋找的內容</translation>
    </message>
    <message>
        <source>only hex digits and spaces</source>
        <translation>只能輸入十六進位數字和空格</translation>
    </message>
    <message>
        <source>hex bytes are pairs of digits</source>
        <translation>十六進位位元組須為兩位數字一組</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>尋找</translation>
    </message>
    <message>
        <source>Hex bytes</source>
        <translation>十六進位位元組</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>文字</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Find:</source>
        <translation>尋找：</translation>
    </message>
    <message>
        <source>As:</source>
        <translation>類型：</translation>
    </message>
    <message>
        <source>Hex bytes: &quot;4D 54&quot; or &quot;4d54&quot;; text: the characters themselves</source>
        <translation>十六進位位元組：「4D 54」或「4d54」；文字：字元本身</translation>
    </message>
    <message>
        <source>Cannot search for &quot;%1&quot;: %2</source>
        <translation>無法尋找「%1」：%2</translation>
    </message>
    <message>
        <source>Not found: %1</source>
        <translation>找不到：%1</translation>
    </message>
    <message>
        <source>Found at %1</source>
        <translation>找到於 %1</translation>
    </message>
    <message>
        <source>Reached the start, continued from the end: found at %1</source>
        <translation>已到開頭，從結尾繼續：找到於 %1</translation>
    </message>
    <message>
        <source>Reached the end, continued from the start: found at %1</source>
        <translation>已到結尾，從開頭繼續：找到於 %1</translation>
    </message>
    <message>
        <source>Go to Offset</source>
        <translation>跳至位移</translation>
    </message>
    <message>
        <source>Offset in hex, 0 to %1 (&quot;1A&quot;, &quot;1Ah&quot; or &quot;0x1A&quot;):</source>
        <translation>十六進位位移，0 至 %1（「1A」、「1Ah」或「0x1A」）：</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no offset of this image: hex 0 to %2</source>
        <translation>「%1」不是此映像的位移：十六進位 0 至 %2</translation>
    </message>
</context>
<context>
    <name>tessaro::InstalledModulesDialog</name>
    <message>
        <source>讀取本機模組</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the SPD of this computer&apos;s memory modules…</source>
        <translation>正在讀取本機記憶體模組的 SPD…</translation>
    </message>
    <message>
        <source>Slot</source>
        <translation>插槽</translation>
    </message>
    <message>
        <source>Driver</source>
        <translation>驅動程式</translation>
    </message>
    <message>
        <source>Module</source>
        <translation>模組</translation>
    </message>
    <message>
        <source>no SPD devices in %1: the kernel drivers ee1004 (DDR4), spd5118 (DDR5) and at24 (&quot;spd&quot;, older modules) provide them (modprobe them, or instantiate the device through new_device); on DDR5 boards whose firmware disables SPD writes they stay hidden</source>
        <translation>%1 中沒有 SPD 裝置：這些裝置由核心驅動程式 ee1004 (DDR4)、spd5118 (DDR5) 與 at24 ("spd"，較舊的模組) 提供 (請以 modprobe 載入，或經由 new_device 建立裝置)；在韌體停用 SPD 寫入的 DDR5 主機板上，它們不會出現</translation>
    </message>
    <message>
        <source>%1 module(s) in %2</source>
        <translation>%2 中有 %1 個模組</translation>
    </message>
</context>
<context>
    <name>tessaro::MainWindow</name>
    <message>
        <source>production log: %1</source>
        <translation>生產紀錄：%1</translation>
    </message>
</context>
<context>
    <name>tessaro::ModuleDocumentWindow</name>
    <message>
        <source>Two hex digits, Enter stores them and moves to the next byte</source>
        <translation>兩個十六進位數字，按 Enter 存入並移到下一個位元組</translation>
    </message>
    <message>
        <source>Fill from the row&apos;s first byte to the end</source>
        <translation>自該列第一個位元組填到結尾</translation>
    </message>
    <message>
        <source>Decoded</source>
        <translation>解碼</translation>
    </message>
    <message>
        <source>Overclocking profiles</source>
        <translation>超頻設定檔</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>種類</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>編號</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>啟用</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>Timings</source>
        <translation>時序</translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation>電壓</translation>
    </message>
    <message>
        <source>CRC mismatch: </source>
        <translation>CRC 不符：</translation>
    </message>
    <message>
        <source>%1: stored %2, computed %3</source>
        <translation>%1：儲存值 %2，計算值 %3</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>no</source>
        <translation>否</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>BAD</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>Identity…</source>
        <translation>識別資料…</translation>
    </message>
    <message>
        <source>Identity</source>
        <translation>識別資料</translation>
    </message>
    <message>
        <source>Timings…</source>
        <translation>時序…</translation>
    </message>
    <message>
        <source>Profiles…</source>
        <translation>設定檔…</translation>
    </message>
    <message>
        <source>This image keeps no timings that can be set by value.</source>
        <translation>此映像沒有可依數值設定的時序。</translation>
    </message>
</context>
<context>
    <name>tessaro::PortSettingsDialog</name>
    <message>
        <source>RS-232 programmer/tester</source>
        <translation>RS-232 燒錄器/測試機</translation>
    </message>
    <message>
        <source>SPD reader/writer</source>
        <translation>SPD 讀寫器</translation>
    </message>
</context>
<context>
    <name>tessaro::ProfileEditDialog</name>
    <message>
        <source>Overclocking profiles</source>
        <translation>超頻設定檔</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>新增</translation>
    </message>
    <message>
        <source>from</source>
        <translation>來源</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>Apply to this profile</source>
        <translation>套用到此設定檔</translation>
    </message>
    <message>
        <source>the JEDEC values</source>
        <translation>JEDEC 值</translation>
    </message>
    <message>
        <source>(disabled)</source>
        <translation>（停用）</translation>
    </message>
</context>
<context>
    <name>tessaro::ReaderWriterFrame</name>
    <message>
        <source>SPD reader/writer</source>
        <translation>SPD 讀寫器</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>位址</translation>
    </message>
    <message>
        <source>Generation</source>
        <translation>世代</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>位元組</translation>
    </message>
    <message>
        <source>Protected blocks</source>
        <translation>保護區塊</translation>
    </message>
    <message>
        <source>Permanent</source>
        <translation>永久保護</translation>
    </message>
    <message>
        <source>Offline mode</source>
        <translation>離線模式</translation>
    </message>
    <message>
        <source>Rescan</source>
        <translation>重新掃描</translation>
    </message>
    <message>
        <source>Read into new window</source>
        <translation>讀入新視窗</translation>
    </message>
    <message>
        <source>Write document</source>
        <translation>寫入文件</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>比對</translation>
    </message>
    <message>
        <source>Protection status</source>
        <translation>保護狀態</translation>
    </message>
    <message>
        <source>Protect blocks…</source>
        <translation>保護區塊…</translation>
    </message>
    <message>
        <source>Clear protection</source>
        <translation>解除保護</translation>
    </message>
    <message>
        <source>blocks of %1 bytes; protected: %2; clear: %3</source>
        <translation>每區塊 %1 位元組；已保護：%2；未保護：%3</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>no</source>
        <translation>否</translation>
    </message>
    <message>
        <source>working…</source>
        <translation>執行中…</translation>
    </message>
    <message>
        <source>The SPD reader/writer on %1 does not answer: %2</source>
        <translation>%1 上的 SPD 讀寫器沒有回應：%2</translation>
    </message>
    <message>
        <source>%1: firmware %2, &quot;%3&quot;, %4 kHz</source>
        <translation>%1：韌體 %2，「%3」，%4 kHz</translation>
    </message>
    <message>
        <source>No module answers at 0x50-0x57.</source>
        <translation>位址 0x50-0x57 沒有模組回應。</translation>
    </message>
    <message>
        <source>Protect blocks</source>
        <translation>保護區塊</translation>
    </message>
    <message>
        <source>%1 at %2: blocks of %3 bytes. Protected blocks cannot be written until the protection is cleared.</source>
        <translation>位址 %2 的 %1 模組：每區塊 %3 位元組。已保護的區塊在解除保護之前無法寫入。</translation>
    </message>
    <message>
        <source>block %1 (bytes %2-%3)</source>
        <translation>區塊 %1（位元組 %2-%3）</translation>
    </message>
    <message>
        <source>The SPD reader/writer on %1 does not answer.</source>
        <translation>%1 上的 SPD 讀寫器沒有回應。</translation>
    </message>
    <message>
        <source>production log: %1</source>
        <translation>生產紀錄：%1</translation>
    </message>
    <message>
        <source>SPD reader/writer: modules found: %1</source>
        <translation>SPD 讀寫器：找到 %1 個模組</translation>
    </message>
    <message>
        <source>Reading the module at %1 failed; no window was opened.</source>
        <translation>讀取位址 %1 的模組失敗，未開啟視窗。</translation>
    </message>
    <message>
        <source>Read %1 bytes from %2 (%3) into a new window</source>
        <translation>已從 %2 (%3) 讀取 %1 位元組到新視窗</translation>
    </message>
    <message>
        <source>The module at %1 cannot be written.</source>
        <translation>無法寫入位址 %1 的模組。</translation>
    </message>
    <message>
        <source>Write the document to the %1 module at %2?

%3 of its %4 pages (16 bytes each) change. The module&apos;s present contents are kept in the production log as a backup first.</source>
        <translation>要將文件寫入位址 %2 的 %1 模組嗎？

模組的 %4 頁（每頁 16 位元組）中有 %3 頁會改變。寫入之前，模組目前的內容會先備份到生產紀錄。</translation>
    </message>
    <message>
        <source>Write cancelled; nothing was written</source>
        <translation>已取消寫入，未寫入任何資料</translation>
    </message>
    <message>
        <source>The module at %1 holds this document</source>
        <translation>位址 %1 的模組與文件相同</translation>
    </message>
    <message>
        <source>The module at %1 (%2) holds exactly this document: %3 bytes compared.</source>
        <translation>位址 %1 的模組 (%2) 與文件完全相同：已比對 %3 位元組。</translation>
    </message>
    <message>
        <source>The module at %1 differs from the document</source>
        <translation>位址 %1 的模組與文件不同</translation>
    </message>
    <message>
        <source>The module at %1 differs from the document in %2 bytes (%3 pages); the first at offset %4: document %5h, module %6h.</source>
        <translation>位址 %1 的模組與文件有 %2 個位元組不同（%3 頁）；第一個在位移 %4：文件 %5h，模組 %6h。</translation>
    </message>
    <message>
        <source>Verifying the module at %1 failed.</source>
        <translation>比對位址 %1 的模組失敗。</translation>
    </message>
    <message>
        <source>A DDR5 module&apos;s hub clears its protection only in offline mode, with the module&apos;s HSA pin tied to ground.</source>
        <translation>DDR5 模組的集線器只在離線模式（模組的 HSA 腳位接地）下才能解除保護。</translation>
    </message>
    <message>
        <source>The protection of the module at %1 could not be read.</source>
        <translation>無法讀取位址 %1 模組的保護狀態。</translation>
    </message>
    <message>
        <source>The protection of the module at %1 could not be changed.</source>
        <translation>無法變更位址 %1 模組的保護。</translation>
    </message>
    <message>
        <source>%1 (%2): protected blocks %3 of %4; permanent: %5</source>
        <translation>%1 (%2)：已保護區塊 %3（共 %4）；永久保護：%5</translation>
    </message>
    <message>
        <source>%1: wrote %2 of %3 pages (%4 bytes), verified</source>
        <translation>%1：已寫入 %2/%3 頁（%4 位元組），已驗證</translation>
    </message>
    <message>
        <source>%1 already holds this document; nothing was written</source>
        <translation>%1 已存有此文件，未寫入任何資料</translation>
    </message>
    <message>
        <source>The write to %1 was refused; nothing was written.

%2

Write the document as it is all the same?</source>
        <translation>寫入 %1 被拒絕，未寫入任何資料。

%2

仍要照原樣寫入文件嗎？</translation>
    </message>
    <message>
        <source>The write to %1 was refused; nothing was written</source>
        <translation>寫入 %1 被拒絕，未寫入任何資料</translation>
    </message>
    <message>
        <source>The write to %1 was refused; nothing was written.</source>
        <translation>寫入 %1 被拒絕，未寫入任何資料。</translation>
    </message>
    <message>
        <source>The write to %1 failed. The document is unchanged; the module may hold part of it.</source>
        <translation>寫入 %1 失敗。文件未改變；模組可能只寫入了其中一部分。</translation>
    </message>
    <message>
        <source>To put the module&apos;s previous contents back: in the production log choose the &quot;%1&quot; record of this write, open its image, and write that window to the module.</source>
        <translation>要放回模組原本的內容：在「生產紀錄」中選擇這次寫入的「%1」紀錄，按「開啟映像」，再將該視窗寫入模組。</translation>
    </message>
</context>
<context>
    <name>tessaro::SuffixFileDialog</name>
    <message>
        <source>*****   無法分辨檔案 !   *****

%1
資料夾中有多個檔案的名稱顯示相同，請更名後再試。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 已存在。
要取代它嗎？</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tessaro::ValueForm</name>
    <message>
        <source>ns, or ps with &quot;ps&quot;</source>
        <translation>ns，或加上 "ps" 以 ps 計</translation>
    </message>
    <message>
        <source>stored as %1</source>
        <translation>存為 %1</translation>
    </message>
    <message>
        <source>%1 clocks</source>
        <translation>%1 個時脈</translation>
    </message>
</context>
</TS>
