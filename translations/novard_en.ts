<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ko">
<context>
    <name>BatchFile</name>
    <message>
        <source>%1번째 줄: 머리글에는 op, address, key, data 열이 한 번씩만 옵니다</source>
        <translation>line %1: The header names the columns op, address, key and data, each once</translation>
    </message>
    <message>
        <source>%1번째 줄: 머리글에 op와 address 열이 있어야 합니다</source>
        <translation>line %1: The header needs the columns op and address</translation>
    </message>
    <message>
        <source>머리글의 필드는 %2개인데 %1개입니다</source>
        <translation>%1 fields where the header has %2</translation>
    </message>
    <message>
        <source>따옴표가 닫히지 않았습니다</source>
        <translation>A quote is not closed</translation>
    </message>
    <message>
        <source>알 수 없는 op &apos;%1&apos; (read, issue, modify 중 하나)</source>
        <translation>Unknown op &apos;%1&apos; (read, issue or modify)</translation>
    </message>
</context>
<context>
    <name>BatchInput</name>
    <message>
        <source>%1바이트보다 깁니다. 나머지 입력은 읽지 않습니다</source>
        <translation>Longer than %1 bytes; the rest of the input is not read</translation>
    </message>
    <message>
        <source>오프셋 %2의 바이트(0x%3)부터 %1 인코딩으로 읽을 수 없습니다</source>
        <translation>Not valid %1 from the byte at offset %2 (0x%3)</translation>
    </message>
    <message>
        <source>UTF-8로 읽으면 “%1”, CP949로 읽으면 “%2”입니다. --input-encoding utf-8 또는 cp949로 파일의 인코딩을 정하십시오</source>
        <translation>Reads as “%1” in UTF-8 and as “%2” in CP949; name the file&apos;s encoding with --input-encoding utf-8 or cp949</translation>
    </message>
    <message>
        <source>--input-encoding cp949인데 UTF-8로 쓴 한글(“%1”)이 있습니다. 인코딩이 섞인 파일입니다</source>
        <translation>Holds Hangul written in UTF-8 (“%1”) under --input-encoding cp949: the file mixes encodings</translation>
    </message>
</context>
<context>
    <name>CardCommands</name>
    <message>
        <source>열린 통신포트가 없습니다. 통신포트를 선택하십시오.</source>
        <translation>No port is open. Choose a port.</translation>
    </message>
    <message>
        <source>%1 문자는 %2 인코딩으로 카드에 쓸 수 없습니다. 보내지 않았습니다.</source>
        <translation>The character %1 cannot be written to a card in %2. Nothing was sent.</translation>
    </message>
    <message>
        <source>%1 칸에 제어 문자가 있습니다(%2). 보내지 않았습니다.</source>
        <translation>The %1 field holds the control character %2. Nothing was sent.</translation>
    </message>
    <message>
        <source>%1 칸에는 필드를 나누는 &apos;;&apos;를 넣을 수 없습니다. 보내지 않았습니다.</source>
        <translation>The %1 field cannot hold &apos;;&apos;, which separates the fields. Nothing was sent.</translation>
    </message>
    <message>
        <source>%1 칸의 %2자는 %3 인코딩으로 %4바이트입니다. 블록에는 %5바이트까지 들어갑니다. 보내지 않았습니다.</source>
        <translation>The %2 characters of the %1 field are %4 bytes in %3; a block holds %5. Nothing was sent.</translation>
    </message>
</context>
<context>
    <name>CardOutcome</name>
    <message>
        <source>제어 바이트가 있음</source>
        <translation>control bytes</translation>
    </message>
    <message>
        <source>%1 텍스트가 아님</source>
        <translation>not %1</translation>
    </message>
</context>
<context>
    <name>CardSession</name>
    <message>
        <source>리더가 응답하지 않습니다</source>
        <translation>The reader is not responding</translation>
    </message>
    <message>
        <source>카드 대기 시간이 초과되었습니다</source>
        <translation>No card was presented in time</translation>
    </message>
    <message>
        <source>명령을 다 보내지 못했습니다: %1바이트 중 %2바이트만 나갔습니다</source>
        <translation>The command was not sent whole: only %2 of %1 bytes went out</translation>
    </message>
    <message>
        <source>%1: 제어 문자 0x%2는 어느 필드에도 넣을 수 없습니다</source>
        <translation>%1: holds the control character 0x%2, which no field may hold</translation>
    </message>
    <message>
        <source>%1: 필드를 나누는 &apos;;&apos;는 넣을 수 없습니다</source>
        <translation>%1: holds &apos;;&apos;, which separates the fields</translation>
    </message>
    <message>
        <source>address: 1~3자리 십진수여야 합니다 (&apos;%1&apos;)</source>
        <translation>address: 1 to 3 decimal digits, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>key: %1자입니다. 최대 %2자까지 넣을 수 있습니다</source>
        <translation>key: %1 characters; it holds at most %2</translation>
    </message>
    <message>
        <source>%1: %2 문자는 %3로 쓸 수 없습니다</source>
        <translation>%1: %2 cannot be written in %3</translation>
    </message>
    <message>
        <source>data: %1자는 %3로 %2바이트입니다. 블록에는 %4바이트가 들어갑니다</source>
        <translation>data: %1 characters are %2 bytes in %3; a block holds %4</translation>
    </message>
    <message>
        <source>리더의 응답이 블록(16바이트와 CR)이 아닙니다: %1바이트</source>
        <translation>The reader&apos;s reply is not a block (16 bytes and CR): %1 bytes</translation>
    </message>
    <message>
        <source>멈췄습니다: 명령은 리더에 나갔으나 블록을 읽지 못했습니다</source>
        <translation>Stopped: the command had gone out to the reader, but the block was not read</translation>
    </message>
    <message>
        <source>멈췄습니다: 명령이 이미 리더에 나갔으므로, 카드를 대면 리더가 아직 블록에 쓸 수 있습니다</source>
        <translation>Stopped: the command had already gone out to the reader, which may still write the block when a card is presented</translation>
    </message>
</context>
<context>
    <name>CliMain</name>
    <message>
        <source>novard-cli: %1 파일을 읽을 수 없습니다: %2</source>
        <translation>novard-cli: cannot read %1: %2</translation>
    </message>
</context>
<context>
    <name>CliReport</name>
    <message>
        <source>없음 (%1)</source>
        <translation>none (%1)</translation>
    </message>
    <message>
        <source>텍스트: %1</source>
        <translation>text: %1</translation>
    </message>
</context>
<context>
    <name>CliRun</name>
    <message>
        <source>카드 %2장 중 %1번째: %3</source>
        <translation>card %1 of %2: %3</translation>
    </message>
    <message>
        <source>보냄: %1</source>
        <translation>sent: %1</translation>
    </message>
    <message>
        <source>무시함: %1</source>
        <translation>ignored: %1</translation>
    </message>
    <message>
        <source>novard-cli: 진행 중인 카드를 마치고 멈춥니다 (신호를 한 번 더 보내면 바로 멈춥니다)</source>
        <translation>novard-cli: stopping after the card in progress (a second signal stops at once)</translation>
    </message>
    <message>
        <source>%1번째 줄: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>일괄 처리: %2줄 중 %1줄 완료, %3줄 실패, %4줄 실행 안 함</source>
        <translation>batch: %1 of %2 lines completed, %3 failed, %4 not run</translation>
    </message>
    <message>
        <source>%1번째 카드: %2</source>
        <translation>card %1: %2</translation>
    </message>
    <message>
        <source>읽어 본 블록이 쓴 블록과 다릅니다: 쓴 것 %1, 읽은 것 %2</source>
        <translation>The block read back is not the one written: wrote %1, read %2</translation>
    </message>
    <message>
        <source>novard-cli: %1: 머리글 줄이 없습니다 (op,address,key,data)</source>
        <translation>novard-cli: %1: no header line (op,address,key,data)</translation>
    </message>
    <message>
        <source>novard-cli: 출력을 쓸 수 없습니다: %1. 새 카드를 시작하지 않습니다</source>
        <translation>novard-cli: cannot write the output: %1; no new card is begun</translation>
    </message>
    <message>
        <source>일괄 처리: %2줄 중 %1줄 완료, %3줄 실패, %5줄 중단, %4줄 실행 안 함</source>
        <translation>batch: %1 of %2 lines completed, %3 failed, %5 interrupted, %4 not run</translation>
    </message>
    <message>
        <source>블록은 썼으나 --verify가 읽어 보지 못했습니다: %1</source>
        <translation>The block was written, but --verify could not read it back: %1</translation>
    </message>
</context>
<context>
    <name>CommandFrame</name>
    <message>
        <source>카드 읽기 입니다.</source>
        <translation>Reading a card.</translation>
    </message>
    <message>
        <source>신규 카드 발행 입니다.</source>
        <translation>Issuing a new card.</translation>
    </message>
    <message>
        <source>수정 카드 발행 입니다.</source>
        <translation>Modifying a card.</translation>
    </message>
</context>
<context>
    <name>ControlTable</name>
    <message>
        <source>수신 데이터</source>
        <translation>Received data</translation>
    </message>
    <message>
        <source>명령과 통신포트 상태</source>
        <translation>Command and port status</translation>
    </message>
    <message>
        <source>카드 처리 상태</source>
        <translation>Card operation status</translation>
    </message>
    <message>
        <source>제어 신호</source>
        <translation>Control signals</translation>
    </message>
    <message>
        <source>검색 통신포트</source>
        <translation>Found ports</translation>
    </message>
    <message>
        <source>통신포트</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>도구</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>선택한 통신포트</source>
        <translation>Selected port</translation>
    </message>
    <message>
        <source>검색된 통신포트 목록</source>
        <translation>List of found ports</translation>
    </message>
    <message>
        <source>발행번호 테스트</source>
        <translation>Test card number</translation>
    </message>
    <message>
        <source>읽기</source>
        <translation>Read card</translation>
    </message>
    <message>
        <source>신규발행</source>
        <translation>Issue card</translation>
    </message>
    <message>
        <source>수정발행</source>
        <translation>Modify card</translation>
    </message>
    <message>
        <source>Key A 값</source>
        <translation>Key A value</translation>
    </message>
    <message>
        <source>블록 주소</source>
        <translation>Block address</translation>
    </message>
    <message>
        <source>발행번호 데이터</source>
        <translation>Card number</translation>
    </message>
    <message>
        <source>발행번호</source>
        <translation>Card no.</translation>
    </message>
    <message>
        <source>RXD 화면 지우기</source>
        <translation>Clear RXD screen</translation>
    </message>
    <message>
        <source>포트검색</source>
        <translation>Search ports</translation>
    </message>
    <message>
        <source>시스템등록정보</source>
        <translation>System properties</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>NOVARD Read/Write DEMO 2008년2월15일</source>
        <translation>NOVARD Read/Write DEMO 15 February 2008</translation>
    </message>
</context>
<context>
    <name>PortLock</name>
    <message>
        <source>잠금 파일 %1의 내용을 프로세스 번호로 읽을 수 없어 이 파일이 포트를 막고 있습니다 — 포트를 쓰는 프로그램이 없으면 이 파일을 지우십시오</source>
        <translation>The lock file %1 cannot be read as a process number and blocks the port — remove it if no program uses the port</translation>
    </message>
    <message>
        <source>잠금 파일 %1의 주인은 실행 중인 프로세스 %2입니다</source>
        <translation>Process %2 holds the lock file %1</translation>
    </message>
    <message>
        <source>잠금 파일 %1(끝난 프로세스 %2의 것)을 지울 수 없어 이 파일이 포트를 막고 있습니다: %3</source>
        <translation>The lock file %1 of process %2, which has ended, cannot be removed and blocks the port: %3</translation>
    </message>
    <message>
        <source>다른 프로그램이 장치를 잠가 두었습니다 (flock)</source>
        <translation>Another program has locked the device (flock)</translation>
    </message>
</context>
<context>
    <name>PortOperations</name>
    <message>
        <source>존제 하지 않는 통신포트 입니다.</source>
        <translation>This port cannot be opened.</translation>
    </message>
    <message>
        <source>%1 자리에 다른 장치가 연결되었습니다 — 리더를 다시 연결하십시오</source>
        <translation>Another device took the place of %1 — connect the reader again</translation>
    </message>
</context>
<context>
    <name>ReaderMessages</name>
    <message>
        <source>16자를 초과 했습니다</source>
        <translation>The data is longer than 16 characters</translation>
    </message>
    <message>
        <source>통신포트로 명령을 보내지 못했습니다. 통신포트를 확인하십시오.</source>
        <translation>The command could not be sent to the port. Check the port.</translation>
    </message>
    <message>
        <source>%1 연결이 끊어졌습니다 — 시뮬레이션 리더가 종료되었습니다</source>
        <translation>%1 connection lost — the simulated reader stopped</translation>
    </message>
    <message>
        <source>%1 연결이 끊어졌습니다 — 리더를 다시 연결하십시오</source>
        <translation>%1 connection lost — connect the reader again</translation>
    </message>
    <message>
        <source> — 사용자를 dialout 그룹에 추가한 뒤 다시 로그인하십시오</source>
        <translation> — add the user to the dialout group, then log in again</translation>
    </message>
    <message>
        <source> — 다른 프로그램이 이 포트를 사용하고 있습니다</source>
        <translation> — another program is using this port</translation>
    </message>
    <message>
        <source> — 리더가 아닌 다른 장치가 연결되어 있습니다</source>
        <translation> — a device other than the reader is connected</translation>
    </message>
    <message>
        <source>%1 포트를 열 수 없습니다: %2</source>
        <translation>Cannot open port %1: %2</translation>
    </message>
</context>
<context>
    <name>ReplyDecoder</name>
    <message>
        <source>읽기 명령 전송 완료 -&gt; 카드를 대어 주세요</source>
        <translation>Read command sent -&gt; please present the card</translation>
    </message>
    <message>
        <source>읽기 명령 에러</source>
        <translation>Read command refused</translation>
    </message>
    <message>
        <source>읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)</source>
        <translation>Read error (please check the 6-byte Key A)</translation>
    </message>
    <message>
        <source>카드 읽기 완료</source>
        <translation>Card read</translation>
    </message>
    <message>
        <source>수정 명령 전송 완료 -&gt; 카드를 대어 주세요</source>
        <translation>Modify command sent -&gt; please present the card</translation>
    </message>
    <message>
        <source>수정 명령 에러</source>
        <translation>Modify command refused</translation>
    </message>
    <message>
        <source>수정 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)</source>
        <translation>Modify error (please check the 6-byte Key A)</translation>
    </message>
    <message>
        <source>카드 수정 완료</source>
        <translation>Card modified</translation>
    </message>
    <message>
        <source>발행 명령 전송 완료 -&gt; 카드를 대어 주세요</source>
        <translation>Issue command sent -&gt; please present the card</translation>
    </message>
    <message>
        <source>발행 명령 에러</source>
        <translation>Issue command refused</translation>
    </message>
    <message>
        <source>발행 에러</source>
        <translation>Issue error</translation>
    </message>
    <message>
        <source>카드 발행 완료</source>
        <translation>Card issued</translation>
    </message>
</context>
<context>
    <name>SerialControl</name>
    <message>
        <source>잘못된 통신 설정 &quot;%1&quot;</source>
        <translation>Invalid line settings &quot;%1&quot;</translation>
    </message>
    <message>
        <source>통신포트가 열려 있지 않습니다</source>
        <translation>The port is not open</translation>
    </message>
</context>
<context>
    <name>SystemProperties</name>
    <message>
        <source>시스템 설정 프로그램을 시작하지 못했습니다.</source>
        <translation>The system settings program could not be started.</translation>
    </message>
    <message>
        <source>시스템 설정 프로그램을 찾을 수 없습니다.</source>
        <translation>No system settings program was found.</translation>
    </message>
    <message>
        <source>찾아본 프로그램: %1</source>
        <translation>Programs looked for: %1</translation>
    </message>
</context>
<context>
    <name>SystemReason</name>
    <message>
        <source>그런 파일이나 디렉터리가 없습니다</source>
        <translation>No such file or directory</translation>
    </message>
    <message>
        <source>그런 장치가 없음</source>
        <translation>No such device</translation>
    </message>
    <message>
        <source>그런 장치 혹은 주소가 없음</source>
        <translation>No such device or address</translation>
    </message>
    <message>
        <source>허가 거부</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>명령을 허용하지 않음</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>장치나 자원이 동작 중</source>
        <translation>Device or resource busy</translation>
    </message>
    <message>
        <source>입력/출력 오류</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>자원이 일시적으로 사용 불가능함</source>
        <translation>Resource temporarily unavailable</translation>
    </message>
    <message>
        <source>파일 디스크립터가 잘못됨</source>
        <translation>Bad file descriptor</translation>
    </message>
    <message>
        <source>부적절한 인수</source>
        <translation>Invalid argument</translation>
    </message>
    <message>
        <source>시리얼 장치가 아닙니다</source>
        <translation>Not a serial device</translation>
    </message>
    <message>
        <source>연결 시간 초과</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>중단된 시스템 콜</source>
        <translation>Interrupted system call</translation>
    </message>
    <message>
        <source>파이프가 깨어짐</source>
        <translation>Broken pipe</translation>
    </message>
    <message>
        <source>장치에 남은 공간이 없음</source>
        <translation>No space left on device</translation>
    </message>
    <message>
        <source>디스크 할당량이 초과됨</source>
        <translation>Disk quota exceeded</translation>
    </message>
    <message>
        <source>파일이 너무 큽니다</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>읽기전용 파일 시스템</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>디렉터리입니다</source>
        <translation>Is a directory</translation>
    </message>
    <message>
        <source>디렉터리가 아닙니다</source>
        <translation>Not a directory</translation>
    </message>
    <message>
        <source>기호 연결의 단계가 너무 많음</source>
        <translation>Too many levels of symbolic links</translation>
    </message>
    <message>
        <source>파일 이름이 너무 깁니다</source>
        <translation>File name too long</translation>
    </message>
    <message>
        <source>열린 파일이 너무 많음</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>시스템에 파일을 너무 많이 열었음</source>
        <translation>Too many open files in system</translation>
    </message>
    <message>
        <source>메모리를 할당할 수 없습니다</source>
        <translation>Cannot allocate memory</translation>
    </message>
    <message>
        <source>시스템 오류 %1</source>
        <translation>System error %1</translation>
    </message>
</context>
<context>
    <name>WireTrace</name>
    <message>
        <source>트레이스 파일에 쓸 수 없습니다 (%1) — 빠진 줄 수는 다시 쓸 수 있을 때 기록됩니다</source>
        <translation>Cannot write the trace file (%1) — the number of lines lost is noted once it can be written again</translation>
    </message>
</context>
</TS>
