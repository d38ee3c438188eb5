<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ko">
<context>
    <name>CardCommands</name>
    <message>
        <source>16자를 초과 했습니다</source>
        <translation>The data is longer than 16 characters</translation>
    </message>
    <message>
        <source>열린 통신포트가 없습니다. 통신포트를 선택하시기 바랍니다.</source>
        <translation>No port is open. Please choose a port.</translation>
    </message>
    <message>
        <source>통신포트로 명령을 보내지 못했습니다. 통신포트를 확인하시기 바랍니다.</source>
        <translation>The command could not be sent to the port. Please check the port.</translation>
    </message>
    <message>
        <source>%1 문자는 %2 인코딩으로 카드에 쓸 수 없습니다. 보내지 않았습니다.</source>
        <translation>The character %1 cannot be written to a card in %2. Nothing was sent.</translation>
    </message>
</context>
<context>
    <name>CardSession</name>
    <message>
        <source>리더가 응답하지 않습니다</source>
        <translation>The reader does not answer</translation>
    </message>
    <message>
        <source>카드 대기 시간이 초과되었습니다</source>
        <translation>No card was presented in time</translation>
    </message>
    <message>
        <source>명령을 다 보내지 못했습니다: %1바이트 중 %2바이트만 나갔습니다</source>
        <translation>The command was not sent whole: only %2 of %1 bytes went out</translation>
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
        <translation>Chosen port</translation>
    </message>
    <message>
        <source>검색된 통신포트 목록</source>
        <translation>List of found ports</translation>
    </message>
    <message>
        <source>발행번호 테스트</source>
        <translation>Issue number test</translation>
    </message>
    <message>
        <source>읽기</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>신규발행</source>
        <translation>New issue</translation>
    </message>
    <message>
        <source>수정발행</source>
        <translation>Modify issue</translation>
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
        <translation>Issue number data</translation>
    </message>
    <message>
        <source>발행번호</source>
        <translation>Issue no</translation>
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
    <name>PortOperations</name>
    <message>
        <source> — 사용자를 dialout 그룹에 추가하십시오</source>
        <translation> — add the user to the dialout group</translation>
    </message>
    <message>
        <source> — 다른 프로그램이 이 포트를 사용하고 있습니다</source>
        <translation> — another program is using this port</translation>
    </message>
    <message>
        <source>존제 하지 않는 통신포트 입니다.</source>
        <translation>This port does not exist.</translation>
    </message>
    <message>
        <source>%1 연결이 끊어졌습니다 — 리더를 다시 연결하세요</source>
        <translation>%1 connection lost — connect the reader again</translation>
    </message>
    <message>
        <source>%1 포트를 열 수 없습니다: %2</source>
        <translation>Cannot open port %1: %2</translation>
    </message>
    <message>
        <source> — 리더가 아닌 다른 장치가 연결되어 있습니다</source>
        <translation> — a device other than the reader is connected</translation>
    </message>
    <message>
        <source>%1 자리에 다른 장치가 연결되었습니다 — 리더를 다시 연결하세요</source>
        <translation>Another device took the place of %1 — connect the reader again</translation>
    </message>
    <message>
        <source>%1 연결이 끊어졌습니다 — 시뮬레이션 리더가 종료되었습니다</source>
        <translation>%1 connection lost — the simulated reader stopped</translation>
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
        <translation>Read command error</translation>
    </message>
    <message>
        <source>읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)</source>
        <translation>Read error (please check the Key A : 6 Byte value.)</translation>
    </message>
    <message>
        <source>카드 읽기 완료</source>
        <translation>Card read complete</translation>
    </message>
    <message>
        <source>수정 명령 전송 완료 -&gt; 카드를 대어 주세요</source>
        <translation>Modify command sent -&gt; please present the card</translation>
    </message>
    <message>
        <source>수정 명령 에러</source>
        <translation>Modify command error</translation>
    </message>
    <message>
        <source>수정 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)</source>
        <translation>Modify error (please check the Key A : 6 Byte value.)</translation>
    </message>
    <message>
        <source>카드 수정 완료</source>
        <translation>Card modify complete</translation>
    </message>
    <message>
        <source>발행 명령 전송 완료 -&gt; 카드를 대어 주세요</source>
        <translation>Issue command sent -&gt; please present the card</translation>
    </message>
    <message>
        <source>발행 명령 에러</source>
        <translation>Issue command error</translation>
    </message>
    <message>
        <source>발행 에러</source>
        <translation>Issue error</translation>
    </message>
    <message>
        <source>카드 발행 완료</source>
        <translation>Card issue complete</translation>
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
    <name>WireTrace</name>
    <message>
        <source>트레이스 파일에 쓸 수 없습니다 (%1) — 빠진 줄 수는 다시 쓸 수 있을 때 기록됩니다</source>
        <translation>Cannot write the trace file (%1) — the number of lines lost is noted once it can be written again</translation>
    </message>
</context>
</TS>
